#include <gtest/gtest.h>

#include <ibase.h>

#include <string>

#include "server/session/literal_binding.h"
#include "server/sql/literal_values.h"

namespace ordo::server {
namespace {

TEST(FindLiteralValues, LedgerRowBecomesOneShapeForEveryDay) {
    auto a = FindLiteralValues(
        "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, JIJA) VALUES ('2024-01-01','MC','B1', 1500.5)");
    auto b = FindLiteralValues(
        "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, JIJA) VALUES ('2024-01-02','MC','B1', -20)");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->shape, "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, JIJA) VALUES (?,?,?, ?)");
    EXPECT_EQ(a->shape, b->shape);
    EXPECT_TRUE(a->upsert);
    ASSERT_EQ(a->literals.size(), 4u);
    EXPECT_EQ(a->literals[0].text, "2024-01-01");
    EXPECT_EQ(a->literals[3].kind, SqlLiteralKind::Exact);
    EXPECT_EQ(a->literals[3].unscaled, 15005);
    EXPECT_EQ(a->literals[3].scale, 1);
    EXPECT_EQ(b->literals[3].unscaled, -20);
    EXPECT_EQ(b->literals[3].scale, 0);
}

TEST(FindLiteralValues, LiteralFormsAndWhatStaysInTheShape) {
    auto v = FindLiteralValues("insert into \"T\" (A, B, C, D, E, F) values ('it''s', NULL, .5, - 1.5E-3, +7, 5.)");
    ASSERT_TRUE(v);
    EXPECT_FALSE(v->upsert);
    EXPECT_EQ(v->shape, "insert into \"T\" (A, B, C, D, E, F) values (?, NULL, ?, ?, ?, ?)");
    ASSERT_EQ(v->literals.size(), 5u);
    EXPECT_EQ(v->literals[0].text, "it's");
    EXPECT_EQ(v->literals[1].unscaled, 5);
    EXPECT_EQ(v->literals[1].scale, 1);
    EXPECT_EQ(v->literals[2].kind, SqlLiteralKind::Approximate);
    EXPECT_EQ(v->literals[2].text, "-1.5E-3");
    EXPECT_EQ(v->literals[3].unscaled, 7);
    EXPECT_EQ(v->literals[4].unscaled, 5);
    EXPECT_EQ(v->literals[4].scale, 0);

    auto m = FindLiteralValues("UPDATE OR INSERT INTO B (C, M) VALUES ('x', 9223372036854775807) MATCHING (C)");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->shape, "UPDATE OR INSERT INTO B (C, M) VALUES (?, ?) MATCHING (C)");
    EXPECT_EQ(m->literals[1].unscaled, 9223372036854775807);
    EXPECT_TRUE(FindLiteralValues("INSERT INTO T VALUES (1)"));  // no column list: still assignment in order
    EXPECT_TRUE(FindLiteralValues("\r\n  Update Or Insert Into T (A) Values (1)"));
}

TEST(FindLiteralValues, AnythingButLiteralsStaysText) {
    for (const char* sql : {
             "INSERT INTO T (A) VALUES (1 + 1)",
             "INSERT INTO T (A) VALUES (UPPER('x'))",
             "INSERT INTO T (A) VALUES ((SELECT 1 FROM RDB$DATABASE))",
             "INSERT INTO T (A) VALUES (?)",
             "INSERT INTO T (A) VALUES (:A)",
             "INSERT INTO T (A) VALUES (_UTF8 'x')",
             "INSERT INTO T (A) VALUES (q'{x}')",
             "INSERT INTO T (A) VALUES (DATE '2024-01-01')",
             "INSERT INTO T (A) VALUES (-'5')",
             "INSERT INTO T (A) VALUES (- -5)",
             "INSERT INTO T (A) VALUES (-NULL)",
             "INSERT INTO T (A) VALUES (1E)",
             "INSERT INTO T (A) VALUES (1.2.3)",
             "INSERT INTO T (A) VALUES (12abc)",
             "INSERT INTO T (A) VALUES ('open",
             "INSERT INTO T (A) VALUES (9223372036854775808)",
             "INSERT INTO T (A) VALUES (-9223372036854775808)",
             "INSERT INTO T (A) VALUES (00000000000000000001)",
             "INSERT INTO T (A) VALUES (1.0000000000000000000)",
             "INSERT INTO T (A) VALUES (1) RETURNING A",
             "INSERT INTO T (A) VALUES (1) MATCHING (A)",
             "INSERT INTO T (A) SELECT 1 FROM RDB$DATABASE",
             "INSERT INTO T (A) VALUES (NULL)",
             "UPDATE T SET A = 1",
             "UPDATE OR INSERT INTO T (A) VALUES (1) MATCHING A",
             "DELETE FROM T WHERE A = 1",
             "SELECT 1 FROM RDB$DATABASE",
         })
        EXPECT_FALSE(FindLiteralValues(sql)) << sql;
}

FbColumn Col(unsigned type, int scale = 0, unsigned charset = 4) {
    FbColumn c;
    c.type = type;
    c.scale = scale;
    c.charSet = charset;
    c.length = 8;
    return c;
}

TEST(PlanLiteralSlots, InsertBindsEachLiteralInItsOwnType) {
    auto v = FindLiteralValues("INSERT INTO T (A, B, C, D, E) VALUES ('12.5', 1.25, 1.25, 7, 1E3)");
    ASSERT_TRUE(v);
    auto slots = PlanLiteralSlots(
        *v, {Col(SQL_INT64, -2), Col(SQL_INT64, -4), Col(SQL_VARYING), Col(SQL_DOUBLE), Col(SQL_DOUBLE)}, 4);
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[0].type, unsigned{SQL_VARYING});  // text into a number: the engine converts the text
    EXPECT_EQ((*slots)[0].charSet, 4u);
    EXPECT_EQ((*slots)[0].length, 4u);
    EXPECT_EQ((*slots)[1].scale, -4);  // more decimals in the column: the same value at the column's scale
    EXPECT_EQ((*slots)[2].scale, -2);  // into text: "1.25", at the literal's own scale
    EXPECT_EQ((*slots)[3].type, unsigned{SQL_INT64});
    EXPECT_EQ((*slots)[4].type, unsigned{SQL_VARYING});  // read by the engine as the literal would be

    FbInputMessage message(WithRoom(*slots));
    EXPECT_TRUE(SlotsFit(message.Slots(), *slots));
    FillLiterals(message, *v, *slots);
    auto longer = *slots;
    longer[0].length = 65;  // beyond the room a 4-byte text was given
    EXPECT_FALSE(SlotsFit(message.Slots(), longer));
    longer = *slots;
    longer[1].scale = -2;
    EXPECT_FALSE(SlotsFit(message.Slots(), longer));
    EXPECT_FALSE(PlanLiteralSlots(*v, {Col(SQL_BLOB), Col(SQL_INT64, -4), Col(SQL_VARYING), Col(SQL_DOUBLE),
                                       Col(SQL_DOUBLE)},
                                  4));  // blobs are written as text
}

TEST(PlanLiteralSlots, TargetsWhereTheBindWouldDifferRunAsText) {
    // Each is one column the literal would reach unlike the text's literal: approximate numbers
    // anywhere but DOUBLE PRECISION, and any value into NONE or OCTETS text, which take a
    // parameter's bytes unchecked.
    struct Case {
        const char* value;
        FbColumn column;
    };
    for (const Case& c : {Case{"1.5E0", Col(SQL_INT64, -2)}, Case{"1.5E0", Col(SQL_LONG)}, Case{"1.5E0", Col(SQL_FLOAT)},
                          Case{"1.5E0", Col(SQL_VARYING)}, Case{"'x'", Col(SQL_VARYING, 0, 0)},
                          Case{"'x'", Col(SQL_TEXT, 0, 1)}, Case{"12", Col(SQL_VARYING, 0, 0)},
                          Case{"1.5", Col(SQL_TEXT, 0, 1)}}) {
        auto v = FindLiteralValues(std::string("INSERT INTO T (A) VALUES (") + c.value + ")");
        ASSERT_TRUE(v) << c.value;
        EXPECT_FALSE(PlanLiteralSlots(*v, {c.column}, 4)) << c.value << " into type " << c.column.type;
    }
    FbColumn collated = Col(SQL_VARYING);
    collated.collation = 3;  // a collation of its own leaves the character set's checks as they are
    auto v = FindLiteralValues("INSERT INTO T (A) VALUES ('x')");
    EXPECT_TRUE(PlanLiteralSlots(*v, {collated}, 4));
}

TEST(PlanLiteralSlots, UpsertBindsOnlyWhatTheConversionLeavesUnchanged) {
    // Its values are compared with the matched rows after the parameters took the columns' types.
    auto exact = FindLiteralValues("UPDATE OR INSERT INTO T (A, B) VALUES ('x', 12.5)");
    ASSERT_TRUE(exact);
    auto slots = PlanLiteralSlots(*exact, {Col(SQL_VARYING), Col(SQL_INT64, -2)}, 4);
    ASSERT_TRUE(slots);
    EXPECT_EQ((*slots)[1].scale, -2);
    EXPECT_FALSE(PlanLiteralSlots(*exact, {Col(SQL_VARYING), Col(SQL_INT64, 0)}, 4));   // would round
    EXPECT_FALSE(PlanLiteralSlots(*exact, {Col(SQL_VARYING), Col(SQL_DOUBLE)}, 4));     // would become inexact
    EXPECT_FALSE(PlanLiteralSlots(*exact, {Col(SQL_INT64), Col(SQL_INT64, -2)}, 4));    // text into a number
    EXPECT_FALSE(PlanLiteralSlots(*exact, {Col(SQL_VARYING, 0, 1), Col(SQL_INT64, -2)}, 4));  // into octets
    EXPECT_FALSE(PlanLiteralSlots(*exact, {Col(SQL_VARYING)}, 4));  // the shape does not match the literals
    auto overflow = FindLiteralValues("UPDATE OR INSERT INTO T (B) VALUES (922337203685477580)");
    EXPECT_FALSE(PlanLiteralSlots(*overflow, {Col(SQL_INT64, -2)}, 4));  // beyond BIGINT at the column's scale
    auto approx = FindLiteralValues("UPDATE OR INSERT INTO T (B) VALUES (1E3)");
    EXPECT_FALSE(PlanLiteralSlots(*approx, {Col(SQL_DOUBLE)}, 4));
}

}  // namespace
}  // namespace ordo::server
