// What a page of memory costs this machine, as the process sees it in its own CPU time: mapping fresh
// zeroed pages, reading pages again at once, and reading them again after they lay untouched for a
// while. On bare metal the last two are the same and all three are a fraction of a microsecond; on a
// virtual machine whose host reclaims and ages its guests' memory, the host's work for them lands in the
// process's CPU time: for fresh pages as system time, for idle ones as user time the guest cannot tell
// from the program's own. The balance rebuild maps some 50,000 pages of row
// records and reads them back seconds later, so these figures say how much of its end-to-end CPU time
// is the host's rather than the program's.
// Usage: page_cost_probe [megabytes (200)] [rounds (3)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/zeroed_pages.h"

namespace {

constexpr std::size_t kPage = 4096;

struct TCost {
    double cpuUs = 0;   // process CPU time a page
    double wallUs = 0;  // elapsed time a page
};

template <class F>
TCost PerPage(std::size_t pages, F&& work) {
    const std::clock_t c0 = std::clock();
    const auto w0 = std::chrono::steady_clock::now();
    work();
    const auto w1 = std::chrono::steady_clock::now();
    const std::clock_t c1 = std::clock();
    return {1e6 * static_cast<double>(c1 - c0) / CLOCKS_PER_SEC / static_cast<double>(pages),
            std::chrono::duration<double, std::micro>(w1 - w0).count() / static_cast<double>(pages)};
}

unsigned TouchEveryPage(const std::uint8_t* p, std::size_t bytes) {
    unsigned sum = 0;
    for (std::size_t at = 0; at < bytes; at += kPage) sum += *static_cast<const volatile std::uint8_t*>(p + at);
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::size_t bytes = megabytes << 20, pages = bytes / kPage;
    const std::vector<int> idleMs = {0, 200, 1000, 3000};
    std::vector<std::vector<TCost>> results(idleMs.size() + 1);
    unsigned sink = 0;
    for (int round = 0; round < rounds; ++round) {
        ordo::TZeroedPages block;
        results[0].push_back(PerPage(pages, [&] {
            block = ordo::TZeroedPages(bytes);
            // Every page written once, as row records are: the mapping call alone may leave work behind.
            for (std::size_t at = 0; at < bytes; at += kPage) block.Data()[at] = 1;
        }));
        for (std::size_t i = 0; i < idleMs.size(); ++i) {
            sink += TouchEveryPage(block.Data(), bytes);  // every page freshly used before the pause
            std::this_thread::sleep_for(std::chrono::milliseconds(idleMs[i]));
            results[i + 1].push_back(PerPage(pages, [&] { sink += TouchEveryPage(block.Data(), bytes); }));
        }
    }
    const auto median = [](std::vector<TCost> v, double TCost::*field) {
        std::sort(v.begin(), v.end(), [&](const TCost& a, const TCost& b) { return a.*field < b.*field; });
        return v[v.size() / 2].*field;
    };
    std::printf("%zu MB, %zu pages of %zu bytes, median of %d rounds (checksum %u)\n\n", megabytes, pages, kPage,
                rounds, sink);
    std::printf("| a page | CPU µs | elapsed µs |\n|---|---|---|\n");
    std::printf("| mapped fresh and written once | %.3f | %.3f |\n", median(results[0], &TCost::cpuUs),
                median(results[0], &TCost::wallUs));
    for (std::size_t i = 0; i < idleMs.size(); ++i)
        std::printf("| read again after %d ms untouched | %.3f | %.3f |\n", idleMs[i],
                    median(results[i + 1], &TCost::cpuUs), median(results[i + 1], &TCost::wallUs));
    return 0;
}
