#include "app/server_address.h"

#include <vector>

#include "platform/ini_file.h"
#include "platform/message_queue.h"
#include "platform/net_info.h"
#include "platform/text_convert.h"

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
    if (name.empty() || name.size() > kLookupNameLimit) return {};
    return ResolveHostFirstAddress(name).value_or(std::string());
}

std::string TLocalAddressMemo::Get(const std::string& host, std::uint32_t nowMs, const TResolver& resolve) {
    if (!known_ || host != host_ || nowMs - since_ >= kKeepMs) {
        address_ = resolve(host);
        host_ = host;
        since_ = nowMs;
        known_ = true;
    }
    return address_;
}

std::string GetLocalIP() {
    const std::string host = LocalHostName();
    if (host.empty()) return {};
    static std::mutex lock;
    static TLocalAddressMemo memo;
    std::lock_guard guard(lock);
    return memo.Get(host, GetTickCount(), [](const std::string& name) {
        const std::vector<std::string> addresses = ResolveHostAddresses(name);
        return addresses.empty() ? std::string() : addresses.back();
    });
}

}  // namespace ordo
