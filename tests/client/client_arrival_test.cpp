// A GUID column the server announces narrower than a GUID's text still gets the whole text
// (issue 24): the slot is widened on arrival and the saved stream carries it.
#include <gtest/gtest.h>

#include "client/client_data_set.h"
#include "resultset/field_defs_codec.h"

namespace ordo {
namespace {

using namespace std::string_literals;

constexpr const char* kGuid = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";

TEST(ClientArrival, GuidColumnArrivingWithSize25SavesAndLoads) {
    TOrdoClientDataSet ds;
    ds.FieldDefsArrived(EncodeFieldDefinitions(std::vector<TOrdoFieldDef>{{"ID", ftInteger, 0}, {"G", ftGuid, 25}}));
    ASSERT_EQ(ds.FieldDescriptions().at(1), "G,35,38");
    ds.RowsArrived(0, "1\x02"s + kGuid + "\x02\x04");
    EXPECT_EQ(ds.RowList()->FieldList().Items(1).DataSize, 38);

    TMemoryStream saved;
    ds.SaveToStream(saved);
    saved.SetPosition(0);
    TOrdoCustomDataSet copy;
    copy.LoadDataSetFromStream(saved);
    ASSERT_EQ(copy.RecordCount(), 1);
    EXPECT_EQ(copy.FieldByName("G").AsString(), kGuid) << "the whole GUID arrived and came back";
}

}  // namespace
}  // namespace ordo
