#include "resultset/row_rebind.h"

#include <string>
#include <vector>

#include "core/errors.h"

namespace ordo {
namespace {

std::string Refusal(const std::string& what) { return "Cannot load the stream's rows: " + what; }

}  // namespace

bool SameLayout(const TOrdoFieldList& a, const TOrdoFieldList& b) noexcept {
    if (a.Count() != b.Count()) return false;
    auto j = b.begin();
    for (const TOrdoFieldItem& f : a) {
        if (f.FieldName != j->FieldName || f.DataType != j->DataType || f.DataSize != j->DataSize ||
            f.Offset != j->Offset)
            return false;
        ++j;
    }
    return true;
}

TOrdoDBList RebindByName(const TOrdoDBList& loaded, TOrdoBlobList& blobs, const TOrdoFieldList& layout) {
    const TOrdoFieldList& from = loaded.FieldList();
    // source[k]: the loaded column that feeds column k of the layout.
    std::vector<int> source;
    for (const TOrdoFieldItem& f : layout) {
        const int at = from.IndexOf(f.FieldName);
        if (at < 0) throw EDatabaseError(Refusal("the data set's field '" + f.FieldName + "' is not in the stream"));
        const TOrdoFieldItem& g = from.Items(at);
        if (g.Type() != f.Type())
            throw EDatabaseError(Refusal("field '" + f.FieldName + "' is " + FieldTypeName(f.Type()) +
                                         " in the data set but " + FieldTypeName(g.Type()) + " in the stream"));
        source.push_back(at);
    }
    for (const TOrdoFieldItem& g : from)
        if (layout.IndexOf(g.FieldName) < 0)
            throw EDatabaseError(Refusal("the stream's field '" + g.FieldName + "' is not in the data set"));

    TOrdoDBList to;
    for (const TOrdoFieldItem& f : layout) to.AddField(f.FieldName, f.DataType, f.DeclaredSize());
    to.ComputeLayout();
    for (int i = 0; i < loaded.Count(); ++i) {
        const int at = to.AddRow(loaded.RowId(i));
        const TOrdoRowReader r = loaded.Reader(i);
        TOrdoRowWriter w = to.Writer(at);
        for (int k = 0; k < to.FieldList().Count(); ++k) {
            const int j = source[static_cast<std::size_t>(k)];
            if (r.HasValue(j)) w.WriteBytes(k, to.FieldList().Items(k).Slot(), r.Slot(from.Items(j).Slot()), false);
        }
    }
    std::vector<std::int32_t> newFieldNo(static_cast<std::size_t>(from.Count()), 0);
    for (std::size_t k = 0; k < source.size(); ++k)
        newFieldNo[static_cast<std::size_t>(source[k])] = static_cast<std::int32_t>(k + 1);
    blobs.RenumberFields(newFieldNo);
    return to;
}

}  // namespace ordo
