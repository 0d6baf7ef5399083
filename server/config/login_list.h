#pragma once
// The logins the server accepts: one "user:password" a line; blank lines and lines starting
// with '#' are skipped. User names compare without regard to letter case, passwords exactly.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ordo::server {

class LoginList {
public:
    /// Raises EOrdoError naming the file and line for a line without ':' or with an empty name.
    static LoginList Load(const std::string& path);
    static LoginList Parse(std::string_view text, const std::string& origin);

    [[nodiscard]] bool Accepts(std::string_view user, std::string_view password) const;
    [[nodiscard]] std::size_t Size() const noexcept { return entries_.size(); }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace ordo::server
