#include <gtest/gtest.h>

#include <random>

#include "core/wire.h"
#include "params/param_codec.h"
#include "params/param_list.h"

namespace ordo {
namespace {

// The byte vectors below are the documented examples of the parameter list string.
const Bytes kIdRecord = {0x0D, 0, 0, 0, 'I', 'D', 6, '3', 6, '1', 6, '0', 6, '2', 6, '4', '2'};
const Bytes kNullXRecord = {0x0A, 0, 0, 0, 'X', 6, '1', 6, '1', 6, '1', 6, '0', 6};

TEST(ParamCodec, DocumentedVectorsEncode) {
    TOrdoParamList list;
    TOrdoParamItem& id = list.Add();
    id.SetName("ID");
    id.SetAsInteger(42);
    EXPECT_EQ(list.SaveToString(), kIdRecord);

    TOrdoParamList nulls;
    nulls.CreateParam(ftString, "X", ptInput);
    EXPECT_EQ(nulls.SaveToString(), kNullXRecord);
}

TEST(ParamCodec, DocumentedVectorsDecode) {
    struct Case { const char* name; Bytes bytes; TFieldType type; bool isNull; const char* value; } cases[] = {
        {"ID", kIdRecord, ftInteger, false, "42"},
        {"X", kNullXRecord, ftString, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TOrdoParamList list = TOrdoParamList::CreateFromString(c.bytes);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list[0].Name(), c.name);
        EXPECT_EQ(list[0].DataType(), c.type);
        EXPECT_EQ(list[0].ParamType(), ptInput);
        EXPECT_EQ(list[0].IsNull(), c.isNull);
        EXPECT_EQ(list[0].Size(), 0);
        EXPECT_EQ(ToString(list[0].ValueBytes()), c.value);
        EXPECT_EQ(list.SaveToString(), c.bytes) << "decoding then encoding gives the same bytes";
    }
}

TEST(ParamCodec, EmptyListAndEmptyInput) {
    TOrdoParamList list;
    EXPECT_TRUE(list.SaveToString().empty());
    list.LoadFromString({});
    EXPECT_EQ(list.Count(), 0);
    TOrdoParamItem& out = list.Add();
    out.SetParamType(ptOutput);
    EXPECT_TRUE(list.SaveToString(true).empty()) << "no input items";
}

TEST(ParamCodec, ValueBytesWithSeparatorsSurvive) {
    TOrdoParamList list;
    list.Add().SetAsFloat(1.0);
    TOrdoParamItem& blob = list.Add();
    blob.SetAsBlob(Bytes{0x06, 0x00, 0x06, 0x06, 0xFF});
    const Bytes encoded = list.SaveToString();
    const Bytes tagged = {0x05, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    TOrdoParamList back = TOrdoParamList::CreateFromString(encoded);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[0].ValueBytes(), tagged);
    EXPECT_EQ(back[0].AsFloat(), 1.0);
    EXPECT_EQ(back[1].ValueBytes(), (Bytes{0x06, 0x00, 0x06, 0x06, 0xFF}));
}

TEST(ParamCodec, RoundTripEveryDataType) {
    TOrdoParamList list;
    for (int t = 0; t < kFieldTypeCount; ++t) {
        TOrdoParamItem& item = list.Add();
        item.SetName(std::string("T") + std::to_string(t));
        item.SetDataType(static_cast<TFieldType>(t));
        item.SetParamType(static_cast<TOrdoParamType>(t % kParamTypeCount));
        // Arbitrary bytes for every type, even those without a form of their own.
        Bytes value;
        for (int k = 0; k < t; ++k) value.push_back(static_cast<std::uint8_t>(k * 37 + t));
        item.SetValueBytes(std::move(value));
        if (t % 3 != 0) item.SetIsNull(false);
    }
    const Bytes encoded = list.SaveToString();
    TOrdoParamList back = TOrdoParamList::CreateFromString(encoded);
    ASSERT_EQ(back.Count(), list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back[i].Name(), list[i].Name());
        EXPECT_EQ(back[i].DataType(), list[i].DataType());
        EXPECT_EQ(back[i].ParamType(), list[i].ParamType());
        EXPECT_EQ(back[i].IsNull(), list[i].IsNull());
        EXPECT_EQ(back[i].ValueBytes(), list[i].ValueBytes());
    }
    EXPECT_EQ(back.SaveToString(), encoded);
}

TEST(ParamCodec, InputOnlyKeepsInputAndInputOutput) {
    TOrdoParamList list;
    const TOrdoParamType kinds[] = {ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult};
    for (TOrdoParamType k : kinds) list.CreateParam(ftInteger, "K" + std::to_string(k), k).SetAsInteger(k);
    TOrdoParamList back = TOrdoParamList::CreateFromString(list.SaveToString(true));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[0].Name(), "K1");
    EXPECT_EQ(back[1].Name(), "K3");
}

TEST(ParamCodec, DecoderIsLenientInsideARecord) {
    // Non-numeric fields read as 0, a missing separator ends the record, a kind no one knows stays.
    const std::string rec = std::string("N\x06") + "zz\x06" + "9\x06" + "2";
    Bytes data(4);
    StoreI32LE(data.data(), static_cast<std::int32_t>(rec.size()));
    data.insert(data.end(), rec.begin(), rec.end());
    TOrdoParamList list = TOrdoParamList::CreateFromString(data);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].DataType(), ftUnknown);
    EXPECT_EQ(static_cast<int>(list[0].ParamType()), 9);
    EXPECT_TRUE(list[0].IsNull());
    EXPECT_TRUE(list[0].ValueBytes().empty());

    // An empty string value stays a non-NULL empty value when the record says so.
    const Bytes emptyValue = {0x0A, 0, 0, 0, 'E', 6, '1', 6, '1', 6, '0', 6, '0', 6};
    TOrdoParamList empties = TOrdoParamList::CreateFromString(emptyValue);
    EXPECT_FALSE(empties[0].IsNull());
}

// Issue 24: codes outside the known range were read as 0, so a list passed on went out changed.
TEST(ParamCodec, UnknownCodesGoOutAsTheyCameIn) {
    struct Case { const char* name; const char* dataType; const char* paramType; int wantType; int wantKind; } cases[] = {
        {"type past ftFMTBcd", "38", "1", 38, 1},
        {"kind past ptResult", "3", "5", 3, 5},
        {"both at the byte's top", "255", "255", 255, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string rec = std::string("P\x06") + c.dataType + "\x06" + c.paramType + "\x06" + "0\x06" + "2\x06" + "ab";
        Bytes data(4);
        StoreI32LE(data.data(), static_cast<std::int32_t>(rec.size()));
        data.insert(data.end(), rec.begin(), rec.end());
        TOrdoParamList list = TOrdoParamList::CreateFromString(data);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(static_cast<int>(list[0].DataType()), c.wantType);
        EXPECT_EQ(static_cast<int>(list[0].ParamType()), c.wantKind);
        EXPECT_EQ(list.SaveToString(), data);
        if (c.wantType >= kFieldTypeCount) {
            EXPECT_TRUE(list[0].Value().IsNull()) << "a code no type names has no value view";
        }
    }
}

TEST(ParamCodec, TruncatedInputRaisesAndKeepsEarlierItems) {
    TOrdoParamList list;
    list.Add().SetAsInteger(1);
    list.Add().SetAsString("second");
    list.Add().SetAsFloat(3);
    const Bytes full = list.SaveToString();
    const std::size_t firstEnd = 4 + LoadU32LE(full.data());
    const std::size_t secondEnd = firstEnd + 4 + LoadU32LE(full.data() + firstEnd);
    for (std::size_t cut = 1; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        TOrdoParamList partial;
        const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        try {
            partial.LoadFromString(prefix);
            // Only a cut right at a record boundary decodes cleanly.
            EXPECT_EQ(partial.SaveToString(), prefix);
        } catch (const EOrdoParamException&) {
            EXPECT_EQ(partial.Count(), cut < firstEnd ? 0 : (cut < secondEnd ? 1 : 2));
        }
    }
}

TEST(ParamCodec, LyingLengthsRaiseClearly) {
    Bytes negative = {0xFF, 0xFF, 0xFF, 0xFF, 'x'};
    TOrdoParamList list;
    EXPECT_THROW(list.LoadFromString(negative), EOrdoParamException);
    // The record is whole but its value length points past the record's end.
    const Bytes longValue = {0x0B, 0, 0, 0, 'V', 6, '1', 6, '1', 6, '0', 6, '9', '9', 6, 'a', 'b', 'c'};
    TOrdoParamList other;
    try {
        other.LoadFromString(Bytes(longValue.begin(), longValue.begin() + 15));
        ADD_FAILURE() << "no exception";
    } catch (const EOrdoParamException& e) {
        EXPECT_NE(std::string(e.what()).find("99"), std::string::npos) << e.what();
    }
    EXPECT_EQ(other.Count(), 0) << "the half-read item is not kept";
}

TEST(ParamCodec, NamesHoldingTheSeparatorAreRefused) {
    TOrdoParamList list;
    list.Add().SetName(std::string("a\x06" "b"));
    EXPECT_THROW((void)list.SaveToString(), EOrdoParamException);
}

TEST(ParamCodec, RandomBytesNeverReadOutsideTheData) {
    // Seeded so a failure reproduces; run under the sanitizers to catch stray reads.
    std::mt19937 rng(20240101);
    TOrdoParamList seed;
    seed.Add().SetAsInteger(5);
    seed.Add().SetAsFloat(2.5);
    const Bytes valid = seed.SaveToString();
    for (int round = 0; round < 2000; ++round) {
        Bytes data = valid;
        // Flip a few bytes, lengths included, then sometimes cut the tail.
        for (int k = 0; k < 3; ++k) data[rng() % data.size()] = static_cast<std::uint8_t>(rng());
        if (rng() % 2 == 0) data.resize(rng() % data.size());
        TOrdoParamList list;
        try {
            list.LoadFromString(data);
        } catch (const EOrdoParamException&) {
        }
        for (const auto& item : list) EXPECT_LE(item->ValueBytes().size(), data.size());
    }
}

TEST(ParamBufferGrowth, StepsDoubleThenStayAt32K) {
    detail::ParamBufferGrowth g;
    EXPECT_EQ(g.Capacity(), 256u);
    EXPECT_FALSE(g.Ensure(256));
    EXPECT_TRUE(g.Ensure(257));
    EXPECT_EQ(g.Capacity(), 768u);
    EXPECT_TRUE(g.Ensure(769));
    EXPECT_EQ(g.Capacity(), 1792u);
    // 256 + 512 + 1024 + ... + 32768, then +32768 per growth.
    g.Ensure(65000);
    EXPECT_EQ(g.Capacity(), 256u + 512 + 1024 + 2048 + 4096 + 8192 + 16384 + 32768);
    g.Ensure(65281);
    EXPECT_EQ(g.Capacity(), 65280u + 32768);
    // A single large record grows as many steps as it needs.
    g.Ensure(1u << 20);
    EXPECT_GE(g.Capacity(), 1u << 20);
    EXPECT_LT(g.Capacity(), (1u << 20) + 32768);
}

}  // namespace
}  // namespace ordo
