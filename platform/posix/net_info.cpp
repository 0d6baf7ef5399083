#include "platform/net_info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <arpa/inet.h>
#include <atomic>
#include <ifaddrs.h>
#include <limits.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ordo {

namespace {
// -1: ask the system; 0 / 1: the answer a test pinned.
std::atomic<int> gNetworkOverride{-1};
}  // namespace

std::vector<std::string> ResolveHostAddresses(std::string_view name, std::string* why) {
    std::vector<std::string> out;
    if (name.empty() || name.size() > kMaxHostNameLength) {
        if (why) *why = name.empty() ? "no name given" : "the name is longer than " + std::to_string(kMaxHostNameLength);
        return out;
    }
    std::string host(name);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list); rc != 0) {
        if (why) *why = rc == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(rc);
        return out;
    }
    for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
        const auto* sa = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        std::string dotted = FormatIPv4(ntohl(sa->sin_addr.s_addr));
        if (std::find(out.begin(), out.end(), dotted) == out.end()) out.push_back(std::move(dotted));
    }
    ::freeaddrinfo(list);
    if (out.empty() && why) *why = "no IPv4 address";
    return out;
}

std::optional<std::string> ResolveHostFirstAddress(std::string_view name) {
    auto all = ResolveHostAddresses(name);
    if (all.empty()) return std::nullopt;
    return all.front();
}

std::string LocalHostName() {
    char buf[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

bool IsNetworkConnected() {
    if (int pinned = gNetworkOverride.load(); pinned >= 0) return pinned == 1;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    bool up = false;
    for (ifaddrs* i = list; i != nullptr && !up; i = i->ifa_next) {
        unsigned flags = i->ifa_flags;
        up = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
    }
    ::freeifaddrs(list);
    return up;
}

void OverrideNetworkState(std::optional<bool> connected) {
    gNetworkOverride.store(connected ? (*connected ? 1 : 0) : -1);
}

}  // namespace ordo
