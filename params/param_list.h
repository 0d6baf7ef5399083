#pragma once
// The typed, named, ordered parameter list that every request and reply carries, and its
// byte form, the parameter list string.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "params/param_item.h"

namespace ordo {

class TOrdoParamList;
namespace detail {
void DecodeParamList(ByteView data, TOrdoParamList& list);
}

/// Owns its items; insertion order is encoding order. Names compare without regard to
/// letter case; duplicates are allowed and lookups return the first match.
class TOrdoParamList {
public:
    TOrdoParamList() = default;
    TOrdoParamList(const TOrdoParamList&) = delete;
    TOrdoParamList& operator=(const TOrdoParamList&) = delete;
    /// Items move with the list and learn their new owner.
    TOrdoParamList(TOrdoParamList&& other) noexcept;
    TOrdoParamList& operator=(TOrdoParamList&& other) noexcept;
    ~TOrdoParamList() = default;

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(items_.size()); }

    /// Appends an item named "Param<n>" (n = the list's running counter, first 1) as ptInput.
    TOrdoParamItem& Add();
    TOrdoParamItem& CreateParam(TFieldType dataType, std::string_view name, TOrdoParamType paramType);
    /// Raises EOrdoParamException "Index <i> Out of bounds".
    [[nodiscard]] TOrdoParamItem& Items(int index);
    [[nodiscard]] const TOrdoParamItem& Items(int index) const;
    TOrdoParamItem& operator[](int index) { return Items(index); }
    const TOrdoParamItem& operator[](int index) const { return Items(index); }
    /// The first item whose name, blanks trimmed, equals `name` in any letter case; or null.
    [[nodiscard]] TOrdoParamItem* FindParam(std::string_view name) noexcept;
    [[nodiscard]] const TOrdoParamItem* FindParam(std::string_view name) const noexcept;
    /// Raises EOrdoParamException "Parameter Not Found: <name>".
    [[nodiscard]] TOrdoParamItem& ParamByName(std::string_view name);
    [[nodiscard]] const TOrdoParamItem& ParamByName(std::string_view name) const;
    /// The item's Value, or an empty text variant when there is no such item.
    [[nodiscard]] Variant GetParamVariant(std::string_view name) const;
    /// Sets the named item's Value, or adds an input item of that name holding it.
    TOrdoParamItem& FastAdd(std::string_view name, const Variant& value);
    /// Always adds an input item named "FastAdd<index>".
    TOrdoParamItem& FastAdd(const Variant& value);
    /// Removes the first item of that name; false when there is none.
    bool DeleteParam(std::string_view name);
    /// Raises EOrdoParamException for a bad index.
    void Delete(int index);
    void Clear() noexcept { items_.clear(); }

    [[nodiscard]] TOrdoParamList Clone() const;
    /// Appends a copy of every item to `dest`, emptying it first when asked.
    void CopyParams(TOrdoParamList& dest, bool clearFirst) const;
    /// For each item of `other` whose name this list also has, copies this list's item into it.
    void AssignMatching(TOrdoParamList& other) const;

    /// The parameter list string of all items, or of the input items only.
    [[nodiscard]] Bytes SaveToString(bool inputOnly = false) const;
    /// Appends the decoded items. A record or value running past the end of the data, or
    /// a record length that is cut short, raises EOrdoParamException; the items decoded
    /// before it stay in the list.
    void LoadFromString(ByteView data);
    [[nodiscard]] static TOrdoParamList CreateFromString(ByteView data);

    /// Rebuilds the list from the ":name" parameters of SQL text (lines joined with CR LF).
    /// Raises EOrdoParamException ":param 구문을 체크하세요" for "::"; an unclosed quote
    /// shows "SQL 구문에 열려진 quote 구문이 있습니다" and ends the scan. Either way the names
    /// found before stay in the list. Texts are in the ANSI code page.
    void ParamsFromSQL(const std::vector<std::string>& sqlLines);
    void ParamsFromSQL(std::string_view sql);
    /// Rebuilds the list from design lines "<name>\x06<paramtype>\x06<datatype>\x06".
    /// Null raises EDatabaseError "Nil list pass to prepare from design list"; any other
    /// failure "Problem created params from <lines>".
    void ParamsFromDesignList(const std::vector<std::string>* lines);

    /// A message the user should see (the platform shows it modally); when empty, the message
    /// goes to the process's sink (ShowLibraryMessage).
    std::function<void(TOrdoParamList& sender, const std::string& message)> OnShowMessage;

    // Range access to the items in order (each element is the owning pointer).
    auto begin() noexcept { return items_.begin(); }
    auto end() noexcept { return items_.end(); }
    auto begin() const noexcept { return items_.cbegin(); }
    auto end() const noexcept { return items_.cend(); }

private:
    friend void detail::DecodeParamList(ByteView data, TOrdoParamList& list);
    TOrdoParamItem& AddUnnamed();
    TOrdoParamItem& AddCopy(const TOrdoParamItem& source);
    void CheckIndex(int index) const;

    std::vector<std::unique_ptr<TOrdoParamItem>> items_;
    int counter_ = 0;  // never goes back, so default names stay unique
};

}  // namespace ordo
