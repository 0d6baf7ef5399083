#include "client/client_sql_list.h"

#include "core/errors.h"

namespace ordo {

const std::string& TOrdoSQLStrings::Strings(int index) const {
    CheckIndex(index);
    return lines_[static_cast<std::size_t>(index)];
}

void TOrdoSQLStrings::Add(std::string_view line) {
    lines_.emplace_back(line);
    Changed();
}

void TOrdoSQLStrings::Put(int index, std::string_view line) {
    CheckIndex(index);
    lines_[static_cast<std::size_t>(index)].assign(line);
    Changed();
}

void TOrdoSQLStrings::Delete(int index) {
    CheckIndex(index);
    lines_.erase(lines_.begin() + index);
    Changed();
}

void TOrdoSQLStrings::Clear() {
    lines_.clear();
    Changed();
}

void TOrdoSQLStrings::Assign(const std::vector<std::string>& lines) {
    lines_ = lines;
    Changed();
}

std::string TOrdoSQLStrings::Text() const {
    std::size_t size = 0;
    for (const auto& l : lines_) size += l.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& l : lines_) {
        text += l;
        text += "\r\n";
    }
    return text;
}

void TOrdoSQLStrings::SetText(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    lines_ = std::move(lines);
    Changed();
}

void TOrdoSQLStrings::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && pending_) {
        pending_ = false;
        if (OnChange) OnChange(*this);
    }
}

void TOrdoSQLStrings::Changed() {
    if (updating_ > 0) {
        pending_ = true;
        return;
    }
    if (OnChange) OnChange(*this);
}

void TOrdoSQLStrings::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace ordo
