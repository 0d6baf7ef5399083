#include <gtest/gtest.h>

#include "core/errors.h"
#include "resultset/field_defs_codec.h"

namespace ordo {
namespace {

using namespace std::string_literals;

TEST(DecodeFieldDefinitions, RecordsInOrderAndTrailingBytesIgnored) {
    const std::string text = "ID\x02" "3\x02" "0\x02\x04" "NAME\x02" "1\x02" "40\x02\x04" "JUNK\x02" "3";
    const auto defs = DecodeFieldDefinitions(text);
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0], (TOrdoFieldDef{"ID", 3, 25}));  // size 0 reads as 25
    EXPECT_EQ(defs[1], (TOrdoFieldDef{"NAME", 1, 40}));
}

TEST(DecodeFieldDefinitions, MissingOrBadTypeAndSizeTakeTheDefaults) {
    struct Case {
        const char* name;
        std::string text;
        int type;
        int size;
    } cases[] = {
        {"type 0", "A\x02" "0\x02" "10\x02\x04"s, 1, 10},
        {"type empty", "A\x02\x02" "10\x02\x04"s, 1, 10},
        {"type negative", "A\x02-4\x02" "10\x02\x04"s, 1, 10},
        {"type not a number", "A\x02x\x02" "10\x02\x04"s, 1, 10},
        {"size empty", "A\x02" "3\x02\x02\x04"s, 3, 25},
        {"size without its separator", "A\x02" "3\x02" "10\x04"s, 3, 25},
        {"only a name", "A\x04"s, 1, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto defs = DecodeFieldDefinitions(c.text);
        ASSERT_EQ(defs.size(), 1u);
        EXPECT_EQ(defs[0].DataType, c.type);
        EXPECT_EQ(defs[0].Size, c.size);
    }
    EXPECT_EQ(DecodeFieldDefinitions("A\x04")[0].Name, "");  // the name needs its 0x02 too
}

TEST(DecodeFieldDefinitions, LongRecordsAreReadWhole) {
    const std::string name(300, 'N');
    const auto defs = DecodeFieldDefinitions(name + "\x02" "1\x02" "7\x02\x04");
    ASSERT_EQ(defs.size(), 1u);
    EXPECT_EQ(defs[0].Name, name);
    EXPECT_EQ(defs[0].Size, 7);
}

TEST(EncodeFieldDefinitions, RoundTripsAndRefusesWhatCannotTravel) {
    const std::vector<TOrdoFieldDef> defs = {{"ID", 3, 4}, {"이름", 1, 20}, {"AMT", 8, 19}};
    const std::string text = EncodeFieldDefinitions(defs);
    EXPECT_EQ(text.substr(0, 8), "ID\x02" "3\x02" "4\x02\x04"s);
    EXPECT_EQ(DecodeFieldDefinitions(text), defs);
    EXPECT_EQ(EncodeFieldDefinitions({}), "");

    const std::vector<TOrdoFieldDef> bad = {{"A\x02" "B", 1, 5}};
    EXPECT_THROW(EncodeFieldDefinitions(bad), EOrdoProtocolError);
    const std::vector<TOrdoFieldDef> tooLong = {{std::string(250, 'x'), 1, 12345}};
    EXPECT_THROW(EncodeFieldDefinitions(tooLong), EOrdoProtocolError);
}

TEST(FieldDescription, NamesMayHoldCommas) {
    EXPECT_EQ(FieldDescription({"A,B", 1, 20}), "A,B,1,20");
    EXPECT_EQ(ParseFieldDescription("A,B,1,20"), (TOrdoFieldDef{"A,B", 1, 20}));
    EXPECT_EQ(ParseFieldDescription("ID,3,0"), (TOrdoFieldDef{"ID", 3, 0}));
    EXPECT_EQ(ParseFieldDescription("X,y,z"), (TOrdoFieldDef{"X", 0, 0}));
}

}  // namespace
}  // namespace ordo
