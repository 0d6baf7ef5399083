#pragma once
// Host names, IPv4 addresses and the machine's network state.
//
// Usage:
//   if (auto a = ResolveHostFirstAddress("server01")) socket.SetAddress(*a);
//   bool online = IsNetworkConnected();
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordo {

/// Longest host name the resolver functions accept; longer names resolve to nothing.
inline constexpr std::size_t kMaxHostNameLength = 255;

/// The IPv4 addresses of a host in dotted form, in the resolver's order without repeats;
/// empty when the name is unknown, empty or longer than kMaxHostNameLength. A dotted address
/// resolves to itself. When nothing comes back, `why` (if given) receives the resolver's reason.
std::vector<std::string> ResolveHostAddresses(std::string_view name, std::string* why = nullptr);
/// The first of ResolveHostAddresses, or nothing.
std::optional<std::string> ResolveHostFirstAddress(std::string_view name);
/// This machine's host name (empty if the system cannot tell).
std::string LocalHostName();

/// A strict dotted-quad IPv4 address as a number in host byte order ("10.1.2.3" -> 0x0A010203).
std::optional<std::uint32_t> ParseIPv4(std::string_view text);
/// The dotted form of a host-byte-order IPv4 address.
std::string FormatIPv4(std::uint32_t address);

/// True when any interface other than loopback is up and running (counts as a LAN connection).
bool IsNetworkConnected();

/// Connection kinds of the Windows connected-state query.
inline constexpr std::uint32_t kConnectionModem = 0x01;
inline constexpr std::uint32_t kConnectionLan = 0x02;
inline constexpr std::uint32_t kConnectionProxy = 0x04;
inline constexpr std::uint32_t kConnectionOffline = 0x20;
/// What the Windows connected-state query's answer means: online only when the query succeeded, names a
/// modem, LAN or proxy connection, and the system is not working offline. A machine whose connection is
/// merely configured, or that the user switched to offline, has no network to reach the server over.
constexpr bool ConnectedStateIsOnline(bool reported, std::uint32_t flags) noexcept {
    return reported && (flags & (kConnectionModem | kConnectionLan | kConnectionProxy)) != 0 &&
           (flags & kConnectionOffline) == 0;
}
/// Tests pin the answer of IsNetworkConnected with a value, and give it back to the system with nullopt.
void OverrideNetworkState(std::optional<bool> connected);

}  // namespace ordo
