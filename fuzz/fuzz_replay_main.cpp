// Runs a fuzz target over saved inputs without libFuzzer, so the seeds and the inputs that once
// crashed are replayed by every build of the test suite, whatever the compiler.
//   fuzz_replay_<name> <file or folder>...
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int failures = 0;
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::recursive_directory_iterator(arg)) {
                if (!entry.is_regular_file()) continue;
                failures += RunFile(entry.path());
                ++runs;
            }
        } else if (fs::exists(arg)) {
            failures += RunFile(arg);
            ++runs;
        }
    }
    std::printf("%d inputs replayed\n", runs);
    if (runs == 0) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
