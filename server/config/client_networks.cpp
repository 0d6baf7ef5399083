#include "server/config/client_networks.h"

#include <arpa/inet.h>

#include <cstring>

#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo::server {
namespace {

constexpr std::array<std::uint8_t, 12> kV4MappedPrefix{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

bool PrefixMatches(const IpAddress& a, const IpAddress& b, int bits) noexcept {
    const int whole = bits / 8;
    if (std::memcmp(a.bytes.data(), b.bytes.data(), static_cast<std::size_t>(whole)) != 0) return false;
    const int rest = bits % 8;
    if (rest == 0) return true;
    const auto mask = static_cast<std::uint8_t>(0xff << (8 - rest));
    return (a.bytes[static_cast<std::size_t>(whole)] & mask) == (b.bytes[static_cast<std::size_t>(whole)] & mask);
}

bool HostBitsClear(const IpAddress& a, int prefix) noexcept {
    for (int bit = prefix; bit < a.Bits(); ++bit)
        if (a.bytes[static_cast<std::size_t>(bit / 8)] & (0x80 >> (bit % 8))) return false;
    return true;
}

ClientNetwork ParseEntry(std::string_view entry) {
    ClientNetwork net;
    net.text = std::string(entry);
    std::string_view rest = entry;
    if (!rest.empty() && rest.front() == '!') {
        net.admit = false;
        rest = Trim(rest.substr(1));
    }
    const auto slash = rest.find('/');
    const auto address = IpAddress::Parse(rest.substr(0, slash));
    if (!address) throw EOrdoError("--allow: \"" + net.text + "\" is not an IPv4 or IPv6 address or network");
    net.base = *address;
    net.prefix = address->Bits();
    if (slash != std::string_view::npos) {
        std::int32_t prefix = -1;
        const std::string_view digits = rest.substr(slash + 1);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos ||
            !TryStrToInt(digits, prefix) || prefix > address->Bits())
            throw EOrdoError("--allow: \"" + net.text + "\" has no prefix length from 0 to " +
                             std::to_string(address->Bits()));
        net.prefix = prefix;
    }
    if (!HostBitsClear(net.base, net.prefix))
        throw EOrdoError("--allow: \"" + net.text + "\" has address bits beyond its /" + std::to_string(net.prefix) +
                         "; write the network's first address");
    return net;
}

}  // namespace

std::optional<IpAddress> IpAddress::Parse(std::string_view text) {
    const std::string s(text);
    IpAddress a;
    if (::inet_pton(AF_INET, s.c_str(), a.bytes.data()) == 1) return a;
    std::array<std::uint8_t, 16> v6{};
    if (::inet_pton(AF_INET6, s.c_str(), v6.data()) != 1) return std::nullopt;
    if (std::memcmp(v6.data(), kV4MappedPrefix.data(), kV4MappedPrefix.size()) == 0) {
        std::memcpy(a.bytes.data(), v6.data() + 12, 4);
        return a;
    }
    a.v6 = true;
    a.bytes = v6;
    return a;
}

bool ClientNetwork::Holds(const IpAddress& address) const noexcept {
    return address.v6 == base.v6 && PrefixMatches(address, base, prefix);
}

ClientNetworks ClientNetworks::LoopbackOnly() { return Parse("127.0.0.0/8,::1"); }

ClientNetworks ClientNetworks::Parse(std::string_view list) {
    ClientNetworks networks;
    std::string_view rest = list;
    for (;;) {
        const auto comma = rest.find(',');
        const std::string_view entry = Trim(rest.substr(0, comma));
        if (!entry.empty()) networks.entries_.push_back(ParseEntry(entry));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (networks.entries_.empty()) throw EOrdoError("--allow: no network given");
    return networks;
}

bool ClientNetworks::Admits(const IpAddress& address) const noexcept {
    for (const ClientNetwork& net : entries_)
        if (net.Holds(address)) return net.admit;
    return false;
}

bool ClientNetworks::ReachesBeyondLoopback() const noexcept {
    const ClientNetworks loopback = LoopbackOnly();
    for (const ClientNetwork& net : entries_) {
        if (!net.admit) continue;
        // A network admits beyond loopback unless a loopback network holds all of it.
        bool inside = false;
        for (const ClientNetwork& lo : loopback.entries_)
            inside = inside || (lo.base.v6 == net.base.v6 && net.prefix >= lo.prefix && lo.Holds(net.base));
        if (!inside) return true;
    }
    return false;
}

bool ClientNetworks::AdmitsEveryone() const noexcept {
    for (const ClientNetwork& net : entries_)
        if (net.admit && net.prefix == 0) return true;
    return false;
}

std::string ClientNetworks::Text() const {
    std::string text;
    for (const ClientNetwork& net : entries_) text += (text.empty() ? "" : ",") + net.text;
    return text;
}

}  // namespace ordo::server
