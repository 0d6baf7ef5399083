// Names, addresses and the network state through Windows Sockets and WinINet.
#include "platform/net_info.h"

#include <algorithm>
#include <atomic>

#include "platform/win32/windows_api.h"
#include <wininet.h>

namespace ordo {

namespace {

// -1: ask the system; 0 / 1: the answer a test pinned.
std::atomic<int> gNetworkOverride{-1};

// Each look-up starts and ends its own Windows Sockets session, so it works before any
// socket exists and leaves nothing started behind it.
class TWinsockCall {
public:
    TWinsockCall() {
        WSADATA data{};
        started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~TWinsockCall() {
        if (started_) ::WSACleanup();
    }
    TWinsockCall(const TWinsockCall&) = delete;
    TWinsockCall& operator=(const TWinsockCall&) = delete;
    [[nodiscard]] bool Started() const noexcept { return started_; }

private:
    bool started_ = false;
};

}  // namespace

std::vector<std::string> ResolveHostAddresses(std::string_view name, std::string* why) {
    std::vector<std::string> out;
    if (name.empty() || name.size() > kMaxHostNameLength) {
        if (why) *why = name.empty() ? "no name given" : "the name is longer than " + std::to_string(kMaxHostNameLength);
        return out;
    }
    TWinsockCall winsock;
    if (!winsock.Started()) {
        if (why) *why = "Windows Sockets did not start";
        return out;
    }
    std::string host(name);
    const hostent* entry = ::gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4) {
        if (why) *why = entry == nullptr ? "Windows Sockets error " + std::to_string(::WSAGetLastError()) : "no IPv4 address";
        return out;
    }
    for (char** a = entry->h_addr_list; a != nullptr && *a != nullptr; ++a) {
        in_addr addr{};
        std::copy_n(*a, sizeof addr, reinterpret_cast<char*>(&addr));
        const char* dotted = ::inet_ntoa(addr);
        if (dotted == nullptr) continue;
        std::string text(dotted);
        if (std::find(out.begin(), out.end(), text) == out.end()) out.push_back(std::move(text));
    }
    return out;
}

std::optional<std::string> ResolveHostFirstAddress(std::string_view name) {
    auto all = ResolveHostAddresses(name);
    if (all.empty()) return std::nullopt;
    return all.front();
}

std::string LocalHostName() {
    TWinsockCall winsock;
    if (!winsock.Started()) return {};
    char buf[kMaxHostNameLength + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

bool IsNetworkConnected() {
    if (int pinned = gNetworkOverride.load(); pinned >= 0) return pinned == 1;
    DWORD flags = 0;
    const bool reported = ::InternetGetConnectedState(&flags, 0) != FALSE;
    return ConnectedStateIsOnline(reported, flags);
}

void OverrideNetworkState(std::optional<bool> connected) {
    gNetworkOverride.store(connected ? (*connected ? 1 : 0) : -1);
}

}  // namespace ordo
