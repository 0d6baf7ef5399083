#pragma once
// Rows read from a data set stream, fitted to the columns a data set already has. A stream
// saved under another column list (columns added, dropped, reordered or resized since) must
// never put a value under the wrong column: values follow their column's name.
#include "resultset/blob_list.h"
#include "resultset/db_list.h"
#include "resultset/field_list.h"

namespace ordo {

/// True when `a` and `b` name the same columns in the same order with the same types and slots.
[[nodiscard]] bool SameLayout(const TOrdoFieldList& a, const TOrdoFieldList& b) noexcept;

/// The rows of `loaded` in the columns of `layout`, matched by name without regard to case:
/// each value moves to its namesake's slot, cut to it or zero-padded, and the blobs of
/// `blobs` follow their column's new number. Raises EDatabaseError naming the first column
/// that has no namesake of the same type on the other side; then nothing has changed.
[[nodiscard]] TOrdoDBList RebindByName(const TOrdoDBList& loaded, TOrdoBlobList& blobs, const TOrdoFieldList& layout);

}  // namespace ordo
