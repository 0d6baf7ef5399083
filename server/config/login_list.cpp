#include "server/config/login_list.h"

#include <fstream>
#include <sstream>

#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo::server {
namespace {

bool SameUser(std::string_view a, std::string_view b) { return SameText(a, b); }

}  // namespace

LoginList LoginList::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EOrdoError("Cannot read the login list " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), path);
}

LoginList LoginList::Parse(std::string_view text, const std::string& origin) {
    LoginList list;
    int lineNo = 0;
    while (!text.empty()) {
        auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        auto colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            throw EOrdoError(origin + " line " + std::to_string(lineNo) + ": expected user:password");
        list.entries_.emplace_back(line.substr(0, colon), line.substr(colon + 1));
    }
    return list;
}

bool LoginList::Accepts(std::string_view user, std::string_view password) const {
    for (const auto& [name, pass] : entries_)
        if (SameUser(name, user) && pass == password) return true;
    return false;
}

}  // namespace ordo::server
