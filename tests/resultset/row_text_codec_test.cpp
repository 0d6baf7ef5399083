#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "core/errors.h"
#include "core/text_convert.h"
#include "core/wire.h"
#include "resultset/blob_list.h"
#include "resultset/db_list.h"
#include "resultset/row_text_codec.h"
#include "tests/support/decimal_separator.h"

namespace ordo {
namespace {

using namespace std::string_literals;

struct Target {
    TOrdoDBList rows;
    TOrdoBlobList blobs;
    explicit Target(std::initializer_list<std::tuple<const char*, TFieldType, int>> fields) {
        for (const auto& [name, type, size] : fields) rows.AddField(name, type, size);
        rows.ComputeLayout();
    }
    TOrdoRowsDecoded Decode(std::string_view text) { return DecodeRows(text, rows, blobs); }
    TOrdoSlot Slot(int i) const { return rows.FieldList().Items(i).Slot(); }
    TOrdoRowReader Row(int r) const { return rows.Reader(r); }
};

TEST(DecodeRows, TheThreeFieldExample) {
    Target t{{"ID", ftInteger, 0}, {"NAME", ftString, 10}, {"OK", ftBoolean, 0}};
    const auto r = t.Decode("42\x02" "abc\x02" "1\x02\x04"s);
    EXPECT_EQ(r.Rows, 1);
    EXPECT_FALSE(r.EndOfData);
    ASSERT_EQ(t.rows.Count(), 1);
    EXPECT_EQ(t.rows.RowId(0), 1);
    EXPECT_EQ(t.Row(0).Int32(t.Slot(0)), 42);
    EXPECT_EQ(t.Row(0).Text(t.Slot(1)), "abc");
    EXPECT_EQ(t.Row(0).Int16(t.Slot(2)), -1);
    EXPECT_EQ(t.rows.RowData(0)[17], 0x07);
}

TEST(DecodeRows, NullFieldsAndMissingFields) {
    Target t{{"ID", ftInteger, 0}, {"NAME", ftString, 10}, {"OK", ftBoolean, 0}};
    t.Decode("\x03\x02\x02\x04" "7\x04"s);
    ASSERT_EQ(t.rows.Count(), 2);
    EXPECT_FALSE(t.Row(0).HasValue(0));  // 0x03: NULL
    EXPECT_EQ(t.Row(0).Int32(t.Slot(0)), 0);
    EXPECT_TRUE(t.Row(0).HasValue(1));   // an empty text is a value
    EXPECT_EQ(t.Row(0).Text(t.Slot(1)), "");
    EXPECT_TRUE(t.Row(0).HasValue(2));   // a field without its 0x02 reads as empty text
    EXPECT_EQ(t.Row(0).Int16(t.Slot(2)), 0);
    EXPECT_TRUE(t.Row(1).HasValue(0));
    EXPECT_EQ(t.Row(1).Int32(t.Slot(0)), 0);  // "7" without its 0x02 is not field 0's text
}

TEST(DecodeRows, NumbersThatDoNotParseGiveZero) {
    Target t{{"I", ftInteger, 0}, {"S", ftSmallint, 0}, {"L", ftLargeint, 0}, {"F", ftFloat, 0},
             {"B", ftBCD, 0}, {"D", ftDate, 0}, {"T", ftTimeStamp, 0}, {"X", ftFMTBcd, 0}};
    t.Decode("abc\x02" "70000\x02" "9000000000\x02" "1.2.3\x02" "x\x02" "?\x02" "no\x02" "--\x02\x04"s);
    EXPECT_EQ(t.Row(0).Int32(t.Slot(0)), 0);
    EXPECT_EQ(t.Row(0).Int16(t.Slot(1)), 4464);  // low 16 bits of 70000
    EXPECT_EQ(t.Row(0).Int64(t.Slot(2)), 9000000000LL);
    EXPECT_EQ(t.Row(0).Double(t.Slot(3)), 0.0);
    EXPECT_EQ(t.Row(0).Int64(t.Slot(4)), 0);
    EXPECT_EQ(t.Row(0).Int64(t.Slot(5)), 0);
    EXPECT_TRUE(t.Row(0).TimeStamp(t.Slot(6)).IsNull());
    EXPECT_TRUE(t.Row(0).Bcd(t.Slot(7)).IsNull());
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(t.Row(0).HasValue(i));
}

TEST(DecodeRows, DatesAndTimes) {
    Target t{{"D", ftDate, 0}, {"DT", ftDateTime, 0}, {"T", ftTime, 0}, {"Z", ftDate, 0}, {"TS", ftTimeStamp, 0}};
    const char sep = DecimalSeparator();
    std::string row = "45292\x02" "45292" + std::string(1, sep) + "5\x02" "0" + std::string(1, sep) + "25\x02" "0\x02";
    TOrdoRowTextWriter w;
    w.AddDateTime(45292.75);  // through the double escape
    row += w.Take();
    t.Decode(row + "\x04");
    const ByteView d = t.Row(0).Slot(t.Slot(0));
    EXPECT_EQ(LoadI32LE(d.data()), 738886);  // 2024-01-01
    EXPECT_EQ(LoadI32LE(d.data() + 4), 0);
    EXPECT_EQ(t.Row(0).Double(t.Slot(1)), 738886.0 * 86400000 + 43200000);
    EXPECT_EQ(t.Row(0).Int32(t.Slot(2)), 6 * 3600 * 1000);
    EXPECT_EQ(t.Row(0).Int64(t.Slot(3)), 0);  // "0" is no date
    const TSQLTimeStamp ts = t.Row(0).TimeStamp(t.Slot(4));
    EXPECT_EQ(ts.Year, 2024);
    EXPECT_EQ(ts.Month, 1);
    EXPECT_EQ(ts.Day, 1);
    EXPECT_EQ(ts.Hour, 18);
}

TEST(DecodeRows, EscapedNumbersComeBackExactly) {
    Target t{{"F", ftFloat, 0}, {"C", ftBCD, 0}, {"X", ftFMTBcd, 0}, {"S", ftString, 30}, {"N", ftFloat, 0}};
    TOrdoRowTextWriter w;
    w.AddFloat(0.1 + 0.2);
    w.AddCurrency(Currency::FromRaw(-123456));
    w.AddBcd(StrToBcd("12345678901234567890.125"));
    w.AddCurrency(Currency::FromRaw(15000));  // a currency into a text column reads as its text
    w.AddFloat(-1e300);
    w.EndRow();
    t.Decode(w.Take());
    EXPECT_EQ(t.Row(0).Double(t.Slot(0)), 0.1 + 0.2);
    EXPECT_EQ(t.Row(0).Int64(t.Slot(1)), -123456);
    EXPECT_EQ(BcdToStr(t.Row(0).Bcd(t.Slot(2)), '.'), "12345678901234567890.125");
    EXPECT_EQ(t.Row(0).Text(t.Slot(3)), "1" + std::string(1, DecimalSeparator()) + "5");
    EXPECT_EQ(t.Row(0).Double(t.Slot(4)), -1e300);
}

// Amount fields are taken from their escapes without spelling them out; what lands in the slot must be what
// the text of the same escape, parsed by the column's type, gives.
TEST(DecodeRows, NumbersTakenFromTheirEscapesMatchTheirTexts) {
    Target t{{"F", ftFloat, 0}, {"FT", ftString, 400}, {"C", ftBCD, 0}, {"CT", ftString, 40}};
    const double doubles[] = {0.0, -0.0, 0.1 + 0.2, -2.5, 1e15, 999999999999999.9, 1e300, -1.7976931348623157e308,
                              5e-324, 2.2250738585072014e-308, 123456.789, 1.0 / 3};
    const std::int64_t currencies[] = {0, 1, -1, 15000, -123456, 9223372036854775807LL,
                                       std::numeric_limits<std::int64_t>::min(), -9223372036854775807LL};
    const std::size_t rows = std::max(std::size(doubles), std::size(currencies));
    TOrdoRowTextWriter w;
    for (std::size_t k = 0; k < rows; ++k) {
        const double d = doubles[k % std::size(doubles)];
        const Currency c = Currency::FromRaw(currencies[k % std::size(currencies)]);
        w.AddFloat(d);
        w.AddFloat(d);
        w.AddCurrency(c);
        w.AddCurrency(c);
        w.EndRow();
    }
    t.Decode(w.Take());
    ASSERT_EQ(t.rows.Count(), static_cast<int>(rows));
    for (int r = 0; r < t.rows.Count(); ++r) {
        SCOPED_TRACE(r);
        const auto row = t.Row(r);
        const std::string floatText(row.Text(t.Slot(1)));
        double parsed = 0;
        if (!TryStrToFloat(floatText, parsed)) parsed = 0;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(row.Double(t.Slot(0))), std::bit_cast<std::uint64_t>(parsed)) << floatText;
        const std::string currencyText(row.Text(t.Slot(3)));
        Currency cur;
        EXPECT_EQ(row.Int64(t.Slot(2)), TryStrToCurr(currencyText, cur) ? cur.Raw() : 0) << currencyText;
        for (int f = 0; f < 4; ++f) EXPECT_TRUE(row.HasValue(f));
    }
}

TEST(DecodeRows, EscapesAmongTextStayInTheirPlaces) {
    Target t{{"S", ftString, 40}, {"B", ftBCD, 0}, {"F", ftFloat, 0}, {"L", ftString, 10}};
    const auto escape = [](auto add) {  // the escape's bytes alone, without the field end
        TOrdoRowTextWriter w;
        add(w);
        std::string s = w.Take();
        s.pop_back();
        return s;
    };
    const std::string cur = escape([](TOrdoRowTextWriter& w) { w.AddCurrency(Currency::FromRaw(15000)); });
    const std::string dbl = escape([](TOrdoRowTextWriter& w) { w.AddFloat(2.25); });
    const std::string sep(1, DecimalSeparator());
    // Text around and between escapes; a BCD field that is more than its escape goes by the whole text; a
    // float field given a currency reads it through its text; the last field has no end and reads as empty.
    t.Decode("a" + cur + "b" + dbl + "" + cur + "7" + cur + "" + cur + "" + "NULL");
    ASSERT_EQ(t.rows.Count(), 1);
    const auto row = t.Row(0);
    EXPECT_EQ(row.Text(t.Slot(0)), "a1" + sep + "5b2" + sep + "25");
    EXPECT_EQ(row.Int64(t.Slot(1)), 15700);  // "1.57"
    EXPECT_EQ(row.Double(t.Slot(2)), 1.5);
    EXPECT_EQ(row.Text(t.Slot(3)), "");
    // Escapes spell nothing that could be taken for the end-of-rows row or a NULL field.
    Target n{{"S", ftString, 10}};
    const auto r = n.Decode("NU" + cur + "" + "NULL");
    EXPECT_EQ(r.Rows, 1);
    EXPECT_TRUE(r.EndOfData);
    EXPECT_EQ(n.Row(0).Text(n.Slot(0)), "");  // no field end: empty
}

TEST(DecodeRows, EscapedFloatsFollowTheDecimalSeparator) {
    Target t{{"F", ftFloat, 0}, {"S", ftString, 20}};
    {
        const test::DecimalSeparatorGuard comma(',');
        TOrdoRowTextWriter w;
        w.AddFloat(2.5);
        w.AddFloat(2.5);
        w.EndRow();
        t.Decode(w.Take());
    }
    EXPECT_EQ(t.Row(0).Double(t.Slot(0)), 2.5);
    EXPECT_EQ(t.Row(0).Text(t.Slot(1)), "2,5");
}

TEST(DecodeRows, BinaryValuesGoThroughTheSideList) {
    Target t{{"A", ftString, 5}, {"B", ftString, 5}, {"M", ftMemo, 0}, {"Y", ftVarBytes, 3}, {"G", ftBlob, 0}};
    TOrdoRowTextWriter w;
    w.AddBinary(ToBytes("xy"));    // side index 0: the string column reads "0"
    w.AddBinary(ToBytes("z"));     // side index 1
    w.AddBinary(ToBytes("memo"));  // 2
    w.AddBinary(ToBytes("ABCDE")); // 3: cut to 3 bytes
    w.AddBinary({});               // empty: no index, NULL
    w.EndRow();
    w.AddBinary(ToBytes("q"));     // a new row numbers from 0 again
    w.AddNull();
    w.AddBinary({});
    w.AddNull();
    w.AddBinary(ToBytes("\x80\xFF"s));
    w.EndRow();
    t.Decode(w.Take());
    ASSERT_EQ(t.rows.Count(), 2);
    EXPECT_EQ(t.Row(0).Text(t.Slot(0)), "0");
    EXPECT_EQ(t.Row(0).Text(t.Slot(1)), "1");
    const std::int32_t memo = t.Row(0).Int32(t.Slot(2));
    ASSERT_NE(t.blobs.FindBlob(memo, 3), nullptr);
    EXPECT_EQ(AsText(t.blobs.FindBlob(memo, 3)->Memory()), "memo");
    EXPECT_EQ(AsText(t.Row(0).Slot(t.Slot(3))), "ABC");
    EXPECT_FALSE(t.Row(0).HasValue(4));
    EXPECT_EQ(t.Row(0).Int32(t.Slot(4)), 0);
    EXPECT_EQ(t.Row(1).Text(t.Slot(0)), "0");
    EXPECT_FALSE(t.Row(1).HasValue(2));  // 0x06 with length 0 reads as NULL
    EXPECT_FALSE(t.Row(1).HasValue(3));
    const std::int32_t blob = t.Row(1).Int32(t.Slot(4));
    EXPECT_TRUE(t.Row(1).HasValue(4));
    EXPECT_EQ(AsText(t.blobs.FindBlob(blob, 5)->Memory()), "\x80\xFF"s);
    EXPECT_EQ(t.blobs.Count(), 2);
}

TEST(DecodeRows, TheNullRowEndsThePayload) {
    Target t{{"ID", ftInteger, 0}};
    const auto r = t.Decode("1\x02\x04" "NULL\x04" "2\x02\x04"s);
    EXPECT_EQ(r.Rows, 1);
    EXPECT_TRUE(r.EndOfData);
    EXPECT_EQ(t.rows.Count(), 1);
    const auto none = t.Decode("NULL\x04" "3\x02\x04"s);
    EXPECT_EQ(none.Rows, 0);
    EXPECT_EQ(t.rows.Count(), 1);
    EXPECT_EQ(t.Decode("4\x02\x04" "5\x02").Rows, 1);  // bytes after the last 0x04 are not decoded
}

TEST(DecodeRows, ABadSideIndexStopsButKeepsWhatWasWritten) {
    Target t{{"ID", ftInteger, 0}, {"B", ftBlob, 0}, {"N", ftInteger, 0}};
    const std::string text = "1\x02\x02" "9\x02\x04" "2\x02" "5\x02" "8\x02\x04" "3\x02\x02\x02\x04"s;
    try {
        t.Decode(text);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (5)");
    }
    ASSERT_EQ(t.rows.Count(), 2);
    EXPECT_EQ(t.Row(1).Int32(t.Slot(0)), 2);  // written before the failing field
    EXPECT_FALSE(t.Row(1).HasValue(2));       // never reached
}

TEST(DecodeRows, CutEscapesNeverReadPastTheEnd) {
    const std::string whole = "1\x02\x04"s;
    for (const std::string& tail : {"\x05\x01\x02"s, "\x08"s, "\x07\x01"s, "\x06\x01\x00"s, "\x06\x10\x00\x00\x00" "ab"s}) {
        Target u{{"F", ftFloat, 0}};
        const std::string text = whole + tail;
        // A copy on the heap of exactly the payload's size lets the sanitizer see any overread.
        std::unique_ptr<char[]> exact(new char[text.size()]);
        std::memcpy(exact.get(), text.data(), text.size());
        EXPECT_EQ(u.Decode(std::string_view(exact.get(), text.size())).Rows, 1);
    }
}

TEST(DecodeRows, HooksSeeEveryRow) {
    Target t{{"ID", ftInteger, 0}};
    std::vector<std::string> calls;
    TOrdoRowHooks hooks;
    hooks.AppendRow = [&](TOrdoDBList& rows) {
        calls.push_back("append");
        return rows.AddRow(100 + rows.Count());
    };
    hooks.RowDecoded = [&](int index) { calls.push_back("done " + std::to_string(index)); };
    hooks.Progress = [&](std::size_t pos) { calls.push_back("at " + std::to_string(pos)); };
    DecodeRows("1\x02\x04" "2\x02\x04"s, t.rows, t.blobs, hooks);
    EXPECT_EQ(calls, (std::vector<std::string>{"append", "done 0", "at 3", "append", "done 1", "at 6"}));
    EXPECT_EQ(t.rows.RowId(1), 101);
    EXPECT_EQ(t.Row(1).Int32(t.Slot(0)), 2);
}

TEST(TOrdoRowTextWriter, BytesOfTheFormat) {
    TOrdoRowTextWriter w;
    w.AddInteger(42);
    w.AddText("abc");
    w.AddBoolean(true);
    w.AddNull();
    w.AddBinary(ToBytes("\x04"s));
    w.EndRow();
    w.EndOfData();
    EXPECT_EQ(w.Text(), "42\x02" "abc\x02" "1\x02\x03\x02\x06\x01\x00\x00\x00\x04\x02\x04" "NULL\x04"s);
    for (const std::string& bad : {"a\x02"s, "\x04"s, "x\x05"s, "\x08"s, "\x03"s}) {
        TOrdoRowTextWriter v;
        EXPECT_THROW(v.AddText(bad), EOrdoProtocolError);
    }
    TOrdoRowTextWriter v;
    EXPECT_NO_THROW(v.AddText("\x03\x03"s));
}

}  // namespace
}  // namespace ordo

namespace ordo {
namespace {

// Arbitrary payloads decode or raise the side-list error; nothing reads outside the text.
TEST(DecodeRows, ArbitraryBytesNeverReadOutside) {
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, static_cast<std::uint8_t>(seed >> 16); };
    for (int round = 0; round < 300; ++round) {
        Target t{{"S", ftString, 3}, {"B", ftBlob, 0}, {"Y", ftBytes, 2}, {"D", ftDate, 0}, {"W", ftWideString, 2},
                 {"X", ftFMTBcd, 0}};
        std::string text(static_cast<std::size_t>(next() % 64), '\0');
        for (char& c : text) c = static_cast<char>(next() % 12);  // mostly control bytes
        std::unique_ptr<char[]> exact(new char[text.size() + 1]);
        std::memcpy(exact.get(), text.data(), text.size());
        try {
            t.Decode(std::string_view(exact.get(), text.size()));
        } catch (const EListError&) {
        }
        for (int r = 0; r < t.rows.Count(); ++r) EXPECT_LE(t.Row(r).Text(t.Slot(0)).size(), 3u);
    }
}

}  // namespace
}  // namespace ordo
