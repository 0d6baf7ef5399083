#include "net/client_socket_address.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/text_convert.h"

namespace ordo {
namespace {

bool StartsWithLetter(const std::string& s) {
    return !s.empty() && std::isalpha(static_cast<unsigned char>(s[0])) != 0;
}

/// A TCP port from text, or 0 when the text is not a port number.
int ParsePort(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value <= 0 || value > 65535) return 0;
    return value;
}

struct Switch {
    std::string name;   // upper case
    std::string value;
    bool hasValue = false;
};

Switch SplitSwitch(const std::string& arg) {
    std::size_t start = arg.find_first_not_of("-/");
    if (start == std::string::npos) return {};
    std::size_t eq = arg.find('=', start);
    Switch s;
    s.name = UpperCase(arg.substr(start, eq == std::string::npos ? std::string::npos : eq - start));
    if (eq != std::string::npos) {
        s.value = arg.substr(eq + 1);
        s.hasValue = true;
    }
    return s;
}

}  // namespace

TOrdoConnectTarget ResolveConnectAddress(const std::string& address, int port) {
    TOrdoConnectTarget t{address, {}, port};
    if (UpperCase(address).find("LOCAL") != std::string::npos) t.address = "127.0.0.1";
    if (StartsWithLetter(t.address)) {
        t.host = t.address;
        return t;
    }
    // A colon in the first five characters cannot end a dotted address, so it is not a port marker.
    std::size_t colon = t.address.find(':');
    if (colon != std::string::npos && colon >= 5) {
        // The port is taken only when it is one; a bad port text keeps the stored port.
        int p = ParsePort(std::string_view(t.address).substr(colon + 1));
        if (p > 0) t.port = p;
        t.address.resize(colon);
    }
    return t;
}

TOrdoCommandLineSwitches ParseConnectSwitches(const std::vector<std::string>& args) {
    TOrdoCommandLineSwitches out;
    for (const std::string& arg : args) {
        Switch s = SplitSwitch(arg);
        if (s.name == "PORT" && s.hasValue) {
            out.port = ParsePort(std::string_view(s.value).substr(0, 5));
        } else if (s.name == "IPADDRESS" && s.hasValue) {
            out.ipAddress = s.value;
        } else if (s.name == "HTTP") {
            out.http = true;
        } else if (s.name == "SERVERPROXIEDADDRESS" && s.hasValue) {
            out.proxiedAddress = s.value;
        } else if (s.name == "SERVERPROXIEDPORT" && s.hasValue) {
            out.proxiedPort = ParsePort(s.value);
        } else if (s.name == "COMPRESSION") {
            out.compression = true;
        } else if (s.name == "LOGIN") {
            out.loginDialog = true;
        }
    }
    return out;
}

}  // namespace ordo
