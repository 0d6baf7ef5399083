#include <ibase.h>

#include <gtest/gtest.h>

#include "core/errors.h"
#include "params/param_list.h"
#include "server/config/login_list.h"
#include "server/session/param_binding.h"
#include "server/session/result_encoder.h"
#include "tests/support/ordo_test_client.h"

namespace ordo::server {
namespace {

FbColumn Col(std::string name, unsigned type, unsigned length = 0, int scale = 0, int subType = 0,
             unsigned charSet = 4) {
    FbColumn c;
    c.name = std::move(name);
    c.type = type;
    c.length = length;
    c.scale = scale;
    c.subType = subType;
    c.charSet = charSet;
    return c;
}

TEST(FieldDefFor, MapsEngineTypesToDataTypeCodes) {
    struct Case {
        FbColumn col;
        int type;
        int size;
    } cases[] = {
        {Col("V", SQL_VARYING, 40), ftString, 40},
        {Col("C", SQL_TEXT, 8), ftString, 8},
        {Col("O", SQL_VARYING, 16, 0, 0, 1), ftVarBytes, 16},
        {Col("S", SQL_SHORT, 2), ftSmallint, 0},
        {Col("I", SQL_LONG, 4), ftInteger, 0},
        {Col("L", SQL_INT64, 8), ftLargeint, 0},
        {Col("N", SQL_INT64, 8, -2, 1), ftBCD, 2},
        {Col("N0", SQL_LONG, 4, 0, 1), ftBCD, 0},
        {Col("D", SQL_DOUBLE, 8), ftFloat, 0},
        {Col("F", SQL_FLOAT, 4), ftFloat, 0},
        {Col("DT", SQL_TYPE_DATE, 4), ftDate, 0},
        {Col("TM", SQL_TYPE_TIME, 4), ftTime, 0},
        {Col("TS", SQL_TIMESTAMP, 8), ftDateTime, 0},
        {Col("B", SQL_BOOLEAN, 1), ftBoolean, 0},
        {Col("M", SQL_BLOB, 8, 0, 1), ftMemo, 0},
        {Col("BB", SQL_BLOB, 8, 0, 0), ftBlob, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.col.name);
        TOrdoFieldDef d = FieldDefFor(c.col);
        EXPECT_EQ(d.Name, c.col.name);
        EXPECT_EQ(d.DataType, c.type);
        EXPECT_EQ(d.Size, c.size);
    }
}

TEST(AppendRow, ClientDecodesEveryKindBack) {
    std::vector<FbColumn> cols = {Col("T", SQL_VARYING, 40),   Col("I", SQL_LONG, 4),
                                  Col("N", SQL_INT64, 8, -2, 1), Col("D", SQL_DOUBLE, 8),
                                  Col("B", SQL_BOOLEAN, 1),     Col("M", SQL_BLOB, 8, 0, 1),
                                  Col("DT", SQL_TYPE_DATE, 4)};
    FbRow row = {FbCell::Txt("가나"), FbCell::Int(-7), FbCell::Dec(-230050, 2), FbCell::Dbl(0.125),
                 FbCell::Bool(true), FbCell::Txt(std::string("line\x02\x04", 6)),
                 FbCell::DateTime(FbCellKind::Date, 45292)};
    FbRow nulls(cols.size());
    TOrdoRowTextWriter w;
    EXPECT_EQ(AppendRow(w, cols, row), 0);  // the memo travels as bytes, untouched
    AppendRow(w, cols, nulls);
    std::string defs = EncodeFieldDefinitions(FieldDefsFor(cols));
    test::DecodedRows rows(defs, w.Text());
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Text(0, 0), "가나");
    EXPECT_EQ(rows.Int(0, 1), -7);
    EXPECT_DOUBLE_EQ(rows.Amount(0, 2), -2300.5);
    EXPECT_DOUBLE_EQ(rows.Double(0, 3), 0.125);
    EXPECT_TRUE(rows.Bool(0, 4));
    EXPECT_EQ(rows.Blob(0, 5), std::string("line\x02\x04", 6));
    EXPECT_EQ(rows.Int(0, 6) & 0xFFFFFFFF, 738886);  // day number of 2024-01-01
    for (int c = 0; c < 7; ++c) EXPECT_TRUE(rows.IsNull(1, c)) << c;
}

TEST(AppendRow, DecimalsBeyondCurrencyTravelAsBcd) {
    std::vector<FbColumn> cols = {Col("N", SQL_INT64, 8, -6, 1)};
    TOrdoRowTextWriter w;
    AppendRow(w, cols, {FbCell::Dec(123456789, 6)});
    EXPECT_NE(w.Text().find('\x07'), std::string::npos);
    EXPECT_EQ(w.Text().find('\x08'), std::string::npos);
}

TEST(ReplaceRowTextControls, OnlySeparatorBytesAndTheNullMarkChange) {
    std::string plain = "abc 가 \x01\x03\x09";
    EXPECT_FALSE(ReplaceRowTextControls(plain));
    std::string bad = std::string("a\x02" "b\x05" "c", 5);
    EXPECT_TRUE(ReplaceRowTextControls(bad));
    EXPECT_EQ(bad, "a?b?c");
    std::string mark = "\x03";
    EXPECT_TRUE(ReplaceRowTextControls(mark));
    EXPECT_EQ(mark, "?");
}

TEST(DecimalText, PlacesThePointAndSign) {
    EXPECT_EQ(DecimalText(150000, 2), "1500.00");
    EXPECT_EQ(DecimalText(-5, 2), "-0.05");
    EXPECT_EQ(DecimalText(42, 0), "42");
    EXPECT_EQ(DecimalText(INT64_MIN, 0), "-9223372036854775808");
    Currency c;
    EXPECT_TRUE(DecimalToCurrency(-5, 2, c));
    EXPECT_EQ(c.Raw(), -500);
    EXPECT_FALSE(DecimalToCurrency(999999999999999999, 2, c));  // NUMERIC(18,2) beyond currency
    EXPECT_FALSE(DecimalToCurrency(1, 5, c));
}

TEST(TrimCharPadding, CutsMultiByteCharsetPaddingToDeclaredLength) {
    EXPECT_EQ(TrimCharPadding("11      ", 2, 4), "11");
    EXPECT_EQ(TrimCharPadding("가    ", 3, 4), "가  ");  // 3 bytes + padding; CHAR(3) keeps 2 blanks
    EXPECT_EQ(TrimCharPadding("ab   ", 5, 1), "ab   ");
    EXPECT_EQ(TrimCharPadding("\xB0\xA1  ", 2, 2), "\xB0\xA1 ");  // a double-byte character set
}

TEST(CellFromParam, ReadsEachParameterTypeForTheEngine) {
    TOrdoParamList p;
    p.Add().SetAsInteger(42);
    p.Add().SetAsString("abc");
    p.Add().SetAsCurrency(Currency::FromRaw(15000));
    p.Add().SetAsFloat(2.5);
    p.Add().SetAsDate(45292);
    p.Add().SetAsBoolean(true);
    p.Add().SetAsBlob(AsBytes(std::string("\x00\x01", 2)));
    p.Add();  // NULL
    EXPECT_EQ(CellFromParam(p[0]).integer, 42);
    EXPECT_EQ(CellFromParam(p[1]).bytes, "abc");
    FbCell money = CellFromParam(p[2]);
    EXPECT_EQ(money.kind, FbCellKind::Decimal);
    EXPECT_EQ(money.integer, 15000);
    EXPECT_EQ(money.scale, 4);
    EXPECT_EQ(CellFromParam(p[3]).real, 2.5);
    EXPECT_EQ(CellFromParam(p[4]).kind, FbCellKind::Date);
    EXPECT_EQ(CellFromParam(p[5]).integer, 1);
    EXPECT_EQ(CellFromParam(p[6]).bytes, std::string("\x00\x01", 2));
    EXPECT_TRUE(CellFromParam(p[7]).IsNull());
}

TEST(ParamBinder, NamesBindByNameAndBareMarkersTakeInputsInTurn) {
    TOrdoParamList p;
    TOrdoParamItem& a = p.Add();
    a.SetName("A");
    a.SetAsInteger(1);
    TOrdoParamItem& out = p.Add();
    out.SetName("OUT");
    out.SetParamType(ptOutput);
    out.SetAsInteger(99);
    TOrdoParamItem& b = p.Add();
    b.SetName("B");
    b.SetAsInteger(2);
    ParamBinder binder(p);
    BoundStatement named = binder.Bind("UPDATE T SET X = :B WHERE Y = :a");
    EXPECT_EQ(named.sql, "UPDATE T SET X = ? WHERE Y = ?");
    ASSERT_EQ(named.values.size(), 2u);
    EXPECT_EQ(named.values[0].integer, 2);
    EXPECT_EQ(named.values[1].integer, 1);
    // Bare markers skip the output item and carry on across statements of one request.
    EXPECT_EQ(binder.Bind("INSERT INTO T VALUES (?)").values.at(0).integer, 1);
    EXPECT_EQ(binder.Bind("INSERT INTO T VALUES (?)").values.at(0).integer, 2);
    EXPECT_TRUE(binder.Bind("INSERT INTO T VALUES (?)").values.empty());
}

TEST(LoginList, ParsesLinesAndComparesNamesWithoutCase) {
    LoginList l = LoginList::Parse("# logins\r\nadmin:s3cr:et\r\n\r\nclerk:\n", "users.txt");
    EXPECT_EQ(l.Size(), 2u);
    EXPECT_TRUE(l.Accepts("ADMIN", "s3cr:et"));
    EXPECT_FALSE(l.Accepts("admin", "S3CR:ET"));
    EXPECT_TRUE(l.Accepts("clerk", ""));
    EXPECT_FALSE(l.Accepts("nobody", ""));
    try {
        LoginList::Parse("ok:1\nbroken\n", "users.txt");
        FAIL() << "a line without ':' was accepted";
    } catch (const EOrdoError& e) {
        EXPECT_STREQ(e.what(), "users.txt line 2: expected user:password");
    }
}

}  // namespace
}  // namespace ordo::server
