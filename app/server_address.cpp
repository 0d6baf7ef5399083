#include "app/server_address.h"

#include <vector>

#include "core/errors.h"
#include "core/ini_file.h"
#include "core/text_convert.h"
#include "platform/net_info.h"

namespace ordo {
namespace {

constexpr std::size_t kEnvBufferSize = 255;
constexpr std::size_t kLookupNameLimit = 100;

bool IsInteger(std::string_view text) {
    std::int32_t value = 0;
    return TryStrToInt(text, value);
}

}  // namespace

std::string ReadEnvValue(const std::string& exeFolder, const std::string& fileName, std::string_view section,
                         std::string_view key) {
    return std::string(Trim(GetPrivateProfileString(section, key, "", exeFolder + fileName, kEnvBufferSize)));
}

bool IsDottedNumber(std::string_view text) {
    std::string_view rest = text;
    for (std::size_t p = rest.find('.'); p != std::string_view::npos; p = rest.find('.')) {
        if (!IsInteger(rest.substr(0, p))) break;
        rest.remove_prefix(p + 1);
    }
    return IsInteger(rest);
}

std::optional<std::string> ResolveHostName(std::string_view name) {
    const std::string host = name.empty() ? LocalHostName() : std::string(name);
    if (host.empty()) return std::nullopt;
    return ResolveHostFirstAddress(host);
}

std::string LookupHostAddress(std::string_view name) {
    if (name.empty()) return {};
    const std::string quoted = "the server name \"" + std::string(name) + "\"";
    if (name.size() > kLookupNameLimit)
        throw EOSError(quoted + " is longer than " + std::to_string(kLookupNameLimit) + " characters", 0);
    std::string why;
    const std::vector<std::string> addresses = ResolveHostAddresses(name, &why);
    if (addresses.empty()) throw EOSError(quoted + " does not resolve: " + why, 0);
    return addresses.front();
}

std::string GetLocalIP() {
    const std::string host = LocalHostName();
    if (host.empty()) return {};
    const std::vector<std::string> addresses = ResolveHostAddresses(host);
    return addresses.empty() ? std::string() : addresses.back();
}

std::string TRecentText::Get(std::uint32_t nowMs, const std::function<std::string()>& compute) {
    if (!known_ || nowMs - since_ >= kKeepMs) {
        text_ = compute();
        since_ = nowMs;
        known_ = true;
    }
    return text_;
}

}  // namespace ordo
