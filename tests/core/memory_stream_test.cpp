#include <gtest/gtest.h>

#include "core/memory_stream.h"

namespace ordo {
namespace {

TEST(TMemoryStream, AppendOverwriteAndWritePastTheEnd) {
    TMemoryStream s;
    s.WriteBytes(ToBytes("abcdef"));
    s.SetPosition(2);
    s.WriteBytes(ToBytes("XYZWV"));  // overwrites and grows
    EXPECT_EQ(AsText(s.Memory()), "abXYZWV");
    EXPECT_EQ(s.Position(), 7);
    s.Seek(2, TSeekOrigin::soEnd);
    s.WriteBytes(ToBytes("!"));  // the gap reads as zero bytes
    EXPECT_EQ(s.Size(), 10);
    EXPECT_EQ(s.Memory()[7], 0);
    EXPECT_EQ(s.Memory()[9], '!');
    EXPECT_EQ(s.Seek(-100, TSeekOrigin::soCurrent), 0);
}

TEST(TMemoryStream, ShortReadsAndReadBuffer) {
    TMemoryStream s(ToBytes("abc"));
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 3u);
    EXPECT_EQ(s.Read(buf, 8), 0u);
    s.SetPosition(1);
    try {
        s.ReadBuffer(buf, 3);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    TMemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(s, 0), 3);
    EXPECT_EQ(AsText(copy.Memory()), "abc");
    s.SetSize(1);
    EXPECT_EQ(s.Position(), 1);
    EXPECT_EQ(AsText(s.Release()), "a");
    EXPECT_EQ(s.Size(), 0);
}

}  // namespace
}  // namespace ordo
