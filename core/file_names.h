#pragma once
// Name helpers shared by the file-system backends.
#include <string>

namespace ordo::detail {

/// Ascending without regard to ASCII case; names equal but for case still get one fixed order.
bool LessWithoutCase(const std::string& a, const std::string& b);
/// `folder` and `name` with one '/' between them.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace ordo::detail
