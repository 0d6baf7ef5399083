#include <gtest/gtest.h>

#include "resultset/blob_list.h"

namespace ordo {
namespace {

using namespace std::string_literals;

TEST(TOrdoBlobList, NumbersAreNeverGivenTwice) {
    TOrdoBlobList l;
    EXPECT_EQ(l.AddBlob(ToBytes("a"), 2), 1);
    EXPECT_EQ(l.AddBlob(ToBytes("b"), 3), 2);
    EXPECT_TRUE(l.DeleteBlob(2, 3));
    EXPECT_FALSE(l.DeleteBlob(2, 3));
    EXPECT_EQ(l.AddBlob(ToBytes("c"), 3), 3);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.AddBlob(ToBytes("d"), 1), 4);
}

TEST(TOrdoBlobList, FoundByNumberAndField) {
    TOrdoBlobList l;
    const auto id = l.AddBlob(ToBytes("xyz"), 2);
    ASSERT_NE(l.FindBlob(id, 2), nullptr);
    EXPECT_EQ(AsText(l.FindBlob(id, 2)->Memory()), "xyz");
    EXPECT_EQ(l.FindBlob(id, 1), nullptr);
    EXPECT_EQ(l.FindBlob(id + 1, 2), nullptr);
    EXPECT_EQ(l.TotalBytes(), 3);
}

TEST(TOrdoBlobList, SectionRoundTripContinuesNumbering) {
    TOrdoBlobList l;
    l.AddBlob(ToBytes("\x80\x81\xFF\x00"s), 1);
    l.AddBlob(Bytes(400, 0xEE), 2);
    TMemoryStream s;
    l.SaveToStream(s);
    EXPECT_EQ(s.Memory()[0], 0x06);
    EXPECT_EQ(s.Memory()[1], 13);  // "TOrdoBlobList"

    s.SetPosition(0);
    TOrdoBlobList back;
    back.LoadFromStream(s);
    EXPECT_EQ(s.Position(), s.Size());
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Items(0).BlobId, 1);
    EXPECT_EQ(back.Items(0).FieldNo, 1);
    EXPECT_EQ(AsText(back.Items(0).Data.Memory()), "\x80\x81\xFF\x00"s);
    EXPECT_EQ(back.Items(1).Data.Size(), 400);
    EXPECT_EQ(back.NextBlobId(), 3);
    EXPECT_EQ(back.AddBlob(ToBytes("n"), 1), 3);
}

}  // namespace
}  // namespace ordo
