#pragma once
// Which client addresses the server serves: an ordered list of networks, each admitting or
// (written with a leading '!') refusing, where the first network that holds an address decides,
// as the host lines of pg_hba.conf do. An address no entry holds is refused. The list is read
// from "--allow", a comma-separated text such as "!10.1.9.0/24,10.1.0.0/16,192.168.7.12".
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordo::server {

/// An IPv4 or IPv6 address as bytes; an IPv4 address carried in IPv6 (::ffff:a.b.c.d) is IPv4.
struct IpAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};  // the first 4 for IPv4

    /// A literal address, or nothing for anything else (names, ports, brackets).
    static std::optional<IpAddress> Parse(std::string_view text);
    [[nodiscard]] int Bits() const noexcept { return v6 ? 128 : 32; }
};

struct ClientNetwork {
    IpAddress base;
    int prefix = 0;     // leading bits that must match
    bool admit = true;  // false: a '!' entry, refusing what it holds
    std::string text;   // as written, for the log

    [[nodiscard]] bool Holds(const IpAddress& address) const noexcept;
};

class ClientNetworks {
public:
    /// What an unset list means: this machine only (127.0.0.0/8 and ::1).
    static ClientNetworks LoopbackOnly();
    /// Raises EOrdoError naming the entry that is no address, has a prefix beyond its family's
    /// bits or has address bits set beyond its prefix (10.1.2.3/8 was meant as 10.0.0.0/8, or
    /// as 10.1.2.3, and either reading would be a guess).
    static ClientNetworks Parse(std::string_view list);

    [[nodiscard]] bool Admits(const IpAddress& address) const noexcept;
    /// True when an address beyond this machine is admitted by some entry.
    [[nodiscard]] bool ReachesBeyondLoopback() const noexcept;
    /// True when an entry admits every address of a family (0.0.0.0/0 or ::/0).
    [[nodiscard]] bool AdmitsEveryone() const noexcept;
    /// The entries as written, comma-separated.
    [[nodiscard]] std::string Text() const;

private:
    std::vector<ClientNetwork> entries_;
};

}  // namespace ordo::server
