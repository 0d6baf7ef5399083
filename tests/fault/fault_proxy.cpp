#include "fault_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "codec/message_codes.h"
#include "codec/message_stack.h"
#include "codec/string_line.h"
#include "core/wire.h"

namespace ordo::test {
namespace {

constexpr int kPollMs = 20;

int ListenLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("proxy socket failed");
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 64) != 0) {
        ::close(fd);
        throw std::runtime_error("proxy bind failed");
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

int ConnectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void NoDelay(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

/// Closes with a reset (RST) instead of an orderly end.
void Reset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

}  // namespace

// One direction of one connection: received bytes waiting to be cut, frames held back.
struct FaultProxy::Link {
    int from;
    int to;
    bool fromServer;
    int connection;
    int count = 0;
    bool askedEarly = false;
    std::vector<std::uint8_t> pending;
    std::vector<std::vector<std::uint8_t>> held;
};

FaultProxy::FaultProxy(int upstreamPort, Policy policy) : upstreamPort_(upstreamPort), policy_(std::move(policy)) {
    listen_ = ListenLoopback(port_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

FaultProxy::~FaultProxy() {
    stopping_ = true;
    acceptor_.join();
    std::vector<std::thread> pumps;
    {
        std::lock_guard lock(mutex_);
        pumps.swap(pumps_);
    }
    for (auto& t : pumps) t.join();
    ::close(listen_);
}

std::vector<FrameSeen> FaultProxy::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

int FaultProxy::RequestsWithCode(std::uint8_t code) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& f : seen_) n += (!f.fromServer && f.code == code) ? 1 : 0;
    return n;
}

void FaultProxy::Release() { released_ = true; }

void FaultProxy::AcceptLoop() {
    int connection = 0;
    while (!stopping_) {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0) continue;
        const int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        const int upstream = ConnectLoopback(upstreamPort_);
        if (upstream < 0) {
            ::close(client);  // the server is gone: the client sees its connection end
            continue;
        }
        NoDelay(client);
        NoDelay(upstream);
        std::lock_guard lock(mutex_);
        pumps_.emplace_back([this, client, upstream, c = connection++] { Pump(client, upstream, c); });
    }
}

void FaultProxy::Pump(int client, int upstream, int connection) {
    Link links[2] = {{client, upstream, false, connection, 0, false, {}, {}},
                     {upstream, client, true, connection, 0, false, {}, {}}};
    bool open = true;
    auto closeBoth = [&](bool reset) {
        if (reset) {
            Reset(client);
            Reset(upstream);
        } else {
            ::shutdown(client, SHUT_RDWR);
            ::close(client);
            ::close(upstream);
        }
        open = false;
    };

    // Cuts whole frames off the link's pending bytes and does with each what the policy says.
    auto deliver = [&](Link& link) {
        for (;;) {
            if (link.pending.size() < 4) return;
            const std::int32_t n = LoadI32LE(link.pending.data());
            if (n < 0) {  // a marker, not a length: it travels as it is
                if (!WriteAll(link.to, link.pending.data(), 4)) return closeBoth(false);
                link.pending.erase(link.pending.begin(), link.pending.begin() + 4);
                continue;
            }
            const std::size_t total = 4 + static_cast<std::size_t>(n);
            if (link.pending.size() < total) {
                if (link.askedEarly || link.pending.size() < 5 || !policy_) return;
                link.askedEarly = true;
                FrameSeen early{link.fromServer, link.connection, link.count, link.pending[4],
                                static_cast<std::size_t>(n), true};
                if (policy_(early) != FrameAction::kResetOnArrival) return;
                {
                    std::lock_guard lock(mutex_);
                    seen_.push_back(early);
                }
                return closeBoth(true);
            }
            link.askedEarly = false;
            std::vector<std::uint8_t> frame(link.pending.begin(), link.pending.begin() + static_cast<long>(total));
            link.pending.erase(link.pending.begin(), link.pending.begin() + static_cast<long>(total));

            FrameSeen seen{link.fromServer, link.connection, link.count++, n > 0 ? frame[4] : std::uint8_t{0},
                           static_cast<std::size_t>(n)};
            {
                std::lock_guard lock(mutex_);
                seen_.push_back(seen);
            }
            switch (policy_ ? policy_(seen) : FrameAction::kForward) {
                case FrameAction::kForward:
                    if (!WriteAll(link.to, frame.data(), frame.size())) return closeBoth(false);
                    break;
                case FrameAction::kTrickle:
                    for (std::uint8_t b : frame) {
                        if (!WriteAll(link.to, &b, 1)) return closeBoth(false);
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    }
                    break;
                case FrameAction::kSwallow:
                    break;
                case FrameAction::kResetMidway:
                    WriteAll(link.to, frame.data(), frame.size() / 2);
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    return closeBoth(true);
                case FrameAction::kOversize: {
                    std::uint8_t bad[16] = {};
                    StoreI32LE(bad, TOrdoMessageStack::kMaxFrameLength + 1);
                    std::memcpy(bad + 4, frame.data() + 4, std::min<std::size_t>(12, frame.size() - 4));
                    if (!WriteAll(link.to, bad, sizeof bad)) return closeBoth(false);
                    break;
                }
                case FrameAction::kHold:
                    link.held.push_back(std::move(frame));
                    break;
                case FrameAction::kResetOnArrival:
                    return closeBoth(true);
                case FrameAction::kMalformedError: {
                    TOrdoStringLine error(mcSQLError, n >= 5 ? LoadI32LE(frame.data() + 5) : 0);
                    error.AddString(kMalformedErrorText);
                    const Bytes replacement = PrefixFrame(error.EncodeToText());
                    if (!WriteAll(link.to, replacement.data(), replacement.size())) return closeBoth(false);
                    break;
                }
            }
        }
    };

    std::uint8_t buf[65536];
    while (open && !stopping_) {
        for (Link& link : links) {
            if (!released_ || link.held.empty()) continue;
            for (auto& frame : link.held)
                if (!WriteAll(link.to, frame.data(), frame.size())) return closeBoth(false);
            link.held.clear();
        }
        pollfd p[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        if (::poll(p, 2, kPollMs) <= 0) continue;
        for (int i = 0; i < 2 && open; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t r = ::recv(links[i].from, buf, sizeof buf, 0);
            if (r <= 0) {
                closeBoth(false);  // either end gone: so is the other
                break;
            }
            links[i].pending.insert(links[i].pending.end(), buf, buf + r);
            deliver(links[i]);
        }
    }
    if (open) closeBoth(false);
}

}  // namespace ordo::test
