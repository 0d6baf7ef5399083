#pragma once
// The statement text of a client data set: a list of lines that tells its owner after every
// change, so the parameter list can follow the text.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ordo {

class TOrdoSQLStrings {
public:
    TOrdoSQLStrings() = default;
    TOrdoSQLStrings(const TOrdoSQLStrings&) = delete;
    TOrdoSQLStrings& operator=(const TOrdoSQLStrings&) = delete;

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(lines_.size()); }
    [[nodiscard]] bool Empty() const noexcept { return lines_.empty(); }
    /// Raises EListError "List index out of bounds (i)".
    [[nodiscard]] const std::string& Strings(int index) const;
    [[nodiscard]] const std::vector<std::string>& Lines() const noexcept { return lines_; }

    /// Appends one entry as it stands; line breaks inside it stay part of the entry.
    void Add(std::string_view line);
    /// Replaces the line; raises EListError for a bad index.
    void Put(int index, std::string_view line);
    void Delete(int index);
    void Clear();
    void Assign(const std::vector<std::string>& lines);
    /// Every entry followed by CR LF.
    [[nodiscard]] std::string Text() const;
    /// Splits at CR LF, CR or LF into entries; a final line break adds no empty entry.
    void SetText(std::string_view text);

    /// Changes made between BeginUpdate and the matching EndUpdate notify once, at the end.
    void BeginUpdate() noexcept { ++updating_; }
    void EndUpdate();

    /// Runs after every change. When it throws, the change has already been made.
    std::function<void(TOrdoSQLStrings& sender)> OnChange;

private:
    void Changed();
    void CheckIndex(int index) const;

    std::vector<std::string> lines_;
    int updating_ = 0;
    bool pending_ = false;
};

}  // namespace ordo
