#pragma once
// The literals of a VALUES list as parameters of the statement prepared from its shape.
//
// A literal in a VALUES list is assigned to its column. A parameter that carries the literal's
// value in the literal's own type is converted to the column's type by the same assignment rules,
// so the row written is the same; this holds for every target type listed in the .cpp. An
// UPDATE OR INSERT also compares its values with the rows it matches, and a parameter is
// converted to the column's type before that comparison while a literal is not: there only
// values that the conversion leaves unchanged (text into text, an exact number into an exact
// column with at least its decimals) are bound; anything else runs as text.
#include <optional>
#include <vector>

#include "server/fb/fb_message.h"
#include "server/fb/fb_statement.h"
#include "server/sql/literal_values.h"

namespace ordo::server {

/// How each literal travels, or nothing when one of them cannot travel as a parameter with the
/// same outcome. `inputs` are the prepared shape's parameters; VARYING lengths are the bytes needed.
std::optional<std::vector<FbParamSlot>> PlanLiteralSlots(const LiteralValues& values,
                                                         const std::vector<FbColumn>& inputs,
                                                         unsigned connectionCharset);

/// True when a message laid out for `laid` takes values planned as `planned`.
bool SlotsFit(const std::vector<FbParamSlot>& laid, const std::vector<FbParamSlot>& planned) noexcept;

/// The planned slots with room to spare, so that the next rows of the same shape fit as well.
std::vector<FbParamSlot> WithRoom(std::vector<FbParamSlot> planned);

/// Puts the literals into a message laid out for slots that fit them.
void FillLiterals(FbInputMessage& message, const LiteralValues& values, const std::vector<FbParamSlot>& planned);

}  // namespace ordo::server
