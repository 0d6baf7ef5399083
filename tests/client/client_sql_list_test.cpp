#include "client/client_sql_list.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace ordo {
namespace {

TEST(TOrdoSQLStrings, EveryChangeNotifiesOnce) {
    TOrdoSQLStrings sql;
    int changes = 0;
    sql.OnChange = [&](TOrdoSQLStrings&) { ++changes; };
    sql.Add("SELECT 1");
    sql.Put(0, "SELECT 2");
    sql.Assign({"a", "b"});
    sql.Delete(0);
    sql.Clear();
    EXPECT_EQ(changes, 5);
    sql.BeginUpdate();
    sql.Add("x");
    sql.Add("y");
    EXPECT_EQ(changes, 5);
    sql.EndUpdate();
    EXPECT_EQ(changes, 6);
}

TEST(TOrdoSQLStrings, TextEndsEachEntryWithCrLfAndKeepsBreaksInsideEntries) {
    TOrdoSQLStrings sql;
    sql.Add("UPDATE T\r\nSET A = 1\r\n");
    EXPECT_EQ(sql.Count(), 1);
    EXPECT_EQ(sql.Text(), "UPDATE T\r\nSET A = 1\r\n\r\n");
    sql.SetText("a\r\nb\nc\rd\r\n");
    EXPECT_EQ(sql.Lines(), (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(TOrdoSQLStrings, BadIndexRaises) {
    TOrdoSQLStrings sql;
    EXPECT_THROW((void)sql.Strings(0), EListError);
    EXPECT_THROW(sql.Delete(-1), EListError);
}

TEST(TOrdoSQLStrings, ChangeStaysWhenTheHandlerThrows) {
    TOrdoSQLStrings sql;
    sql.OnChange = [](TOrdoSQLStrings&) { throw EOrdoError("scan failed"); };
    EXPECT_THROW(sql.Add("a = :x::y"), EOrdoError);
    EXPECT_EQ(sql.Count(), 1);
}

}  // namespace
}  // namespace ordo
