// The change log and the update statements made from it, on a data set filled as replies fill it.
#include <gtest/gtest.h>

#include "client/client_data_set.h"
#include "client/client_update_sql.h"
#include "core/errors.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace ordo {
namespace {

// Fills the data set through the socket callbacks and opens it from what arrived; the offline
// copy stands in for the server, so no request is made.
void Fill(TOrdoClientDataSet& ds) {
    ds.FieldDefsArrived(EncodeFieldDefinitions(
        std::vector<TOrdoFieldDef>{{"CODE", ftString, 10}, {"NAME", ftString, 20}, {"AMOUNT", ftBCD, 8}, {"D", ftDate, 8}}));
    TOrdoRowTextWriter w;
    w.AddText("B001");
    w.AddText("O'Neil");
    w.AddCurrency(Currency::FromRaw(15000));
    w.AddDateTime(45292);  // 2024-01-01
    w.EndRow();
    w.AddText("B002");
    w.AddNull();
    w.AddCurrency(Currency::FromRaw(-20000));
    w.AddNull();
    w.EndRow();
    ds.RowsArrived(0, w.Take());
    ds.OfflineData().Active = true;
    ds.Open();
}

struct UpdateFixture : ::testing::Test {
    void SetUp() override {
        ds.SetUpdateTableName("BAS_MCBUYER");
        ds.PrimeFields() = {"CODE"};
        ds.SetUpdateMethod(umCached);
        Fill(ds);
    }
    TOrdoClientDataSet ds;
};

TEST_F(UpdateFixture, EditInsertAndDeleteBecomeStatementsInLogOrder) {
    ds.First();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Kim");
    ds.Post();
    ds.Append();
    ds.FieldByName("CODE").SetAsString("B003");
    ds.FieldByName("AMOUNT").SetAsFloat(2.5);
    ds.Post();
    ds.First();
    ds.Next();
    ds.Delete();
    ASSERT_EQ(ds.ChangeLog().size(), 3u);
    EXPECT_EQ(ds.ChangeLog()[0].Delta, ckEdit);
    EXPECT_EQ(ds.ChangeLog()[2].Delta, ckDelete);
    const std::vector<std::string> st = ds.GenerateUpdateStatements();
    ASSERT_EQ(st.size(), 3u);
    EXPECT_EQ(st[0], "UPDATE BAS_MCBUYER SET NAME = 'Kim' WHERE CODE = 'B001'");
    EXPECT_EQ(st[1], "INSERT INTO BAS_MCBUYER (CODE, NAME, AMOUNT, D) VALUES ('B003', NULL, 2.5000, NULL)");
    EXPECT_EQ(st[2], "DELETE FROM BAS_MCBUYER WHERE CODE = 'B002'");
}

TEST_F(UpdateFixture, WhereAllUsesTheFetchedValuesWithNullsAndDoubledQuotes) {
    ds.SetUpdateMode(upWhereAll);
    ds.First();
    ds.Edit();
    ds.FieldByName("AMOUNT").SetAsFloat(9);
    ds.Post();
    ds.Next();
    ds.Delete();
    const std::vector<std::string> st = ds.GenerateUpdateStatements();
    ASSERT_EQ(st.size(), 2u);
    EXPECT_EQ(st[0], "UPDATE BAS_MCBUYER SET AMOUNT = 9.0000 WHERE CODE = 'B001' AND NAME = 'O''Neil' AND "
                     "AMOUNT = 1.5000 AND D = '2024-01-01'");
    EXPECT_EQ(st[1], "DELETE FROM BAS_MCBUYER WHERE CODE = 'B002' AND NAME IS NULL AND AMOUNT = -2.0000 AND D IS NULL");
}

TEST_F(UpdateFixture, ChangesToOneRowFoldIntoOneEntry) {
    ds.Append();
    ds.FieldByName("CODE").SetAsString("B009");
    ds.Post();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("x");
    ds.Post();
    ASSERT_EQ(ds.ChangeLog().size(), 1u) << "an edit of a new row is still one insert";
    ds.Delete();
    EXPECT_TRUE(ds.ChangeLog().empty()) << "a row the server never saw needs no statement";
    ds.First();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("first");
    ds.Post();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("second");
    ds.Post();
    const std::vector<std::string> st = ds.GenerateUpdateStatements();
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(st[0], "UPDATE BAS_MCBUYER SET NAME = 'second' WHERE CODE = 'B001'");
}

TEST_F(UpdateFixture, UpdateInformationNeedsARefetchModeAndChanges) {
    EXPECT_EQ(ds.RefetchMode(), 0);
    ds.First();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("n");
    ds.Post();
    EXPECT_TRUE(ds.UpdateInformation().empty()) << "no refetch mode";
    ds.RefetchOnInsert() = {"NAME"};
    EXPECT_EQ(ds.RefetchMode(), 2);
    ds.SetAutoIncrementField("CODE");
    ds.RefetchOnInsert() = {"CODE"};
    EXPECT_EQ(ds.RefetchMode(), 1);
    TOrdoParamList info = TOrdoParamList::CreateFromString(ds.UpdateInformation());
    ASSERT_EQ(info.Count(), 9);
    EXPECT_EQ(info[0].AsString(), "BAS_MCBUYER");
    EXPECT_EQ(info[2].AsString(), "CODE");
    EXPECT_EQ(info[4].AsString(), "CODE\r\n");
    EXPECT_EQ(info[5].AsInteger(), 1);
    EXPECT_EQ(info[7].AsString(), "UPDATE BAS_MCBUYER SET NAME = 'n' WHERE CODE = 'B001'");
    EXPECT_EQ(info[8].AsInteger(), ds.ChangeLog()[0].BookMark);
}

TEST(TOrdoClientDataSet, ManualUpdatesLogNothingAndClosingForgetsTheLog) {
    TOrdoClientDataSet ds;
    Fill(ds);
    ds.First();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("n");
    ds.Post();
    EXPECT_TRUE(ds.ChangeLog().empty());
    ds.SetSQLGenerateLocation(gsServer);
    EXPECT_EQ(ds.UpdateMethod(), umCached);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("m");
    ds.Post();
    EXPECT_EQ(ds.ChangeLog().size(), 1u);
    ds.Close();
    EXPECT_TRUE(ds.ChangeLog().empty());
}

TEST(UpdateSQL, RowWithoutAnIdentifyingColumnIsRefused) {
    TOrdoDBList rows;
    rows.AddField("DATA", ftBlob, 0);
    rows.ComputeLayout();
    rows.AddRow(1);
    TOrdoUpdateSQLSettings s;
    s.TableName = "T";
    EXPECT_THROW(DeleteStatement(rows.FieldList(), rows.Reader(0), s), EDatabaseError);
    EXPECT_EQ(InsertStatement(rows.FieldList(), rows.Reader(0), s), "INSERT INTO T () VALUES ()");
}

TEST(UpdateSQL, LiteralsByType) {
    TOrdoDBList rows;
    rows.AddField("B", ftBoolean, 0);
    rows.AddField("I", ftAutoInc, 0);
    rows.AddField("T", ftDateTime, 0);
    rows.ComputeLayout();
    rows.AddRow(1);
    TOrdoRowWriter w = rows.Writer(0);
    w.WriteInt16(0, rows.FieldList().Items(0).Slot(), -1, false);
    w.WriteInt32(1, rows.FieldList().Items(1).Slot(), 77, false);
    // 2024-01-01 12:30:00 as milliseconds from day 1.
    w.WriteDouble(2, rows.FieldList().Items(2).Slot(), (738886.0 + 0.5 + 1.0 / 48) * 86400000.0, false);
    const TOrdoRowReader r = rows.Reader(0);
    const TOrdoFieldList& f = rows.FieldList();
    EXPECT_EQ(SQLLiteral(f.Items(0), 0, r, false), "TRUE");
    EXPECT_EQ(SQLLiteral(f.Items(0), 0, r, true), "1");
    EXPECT_EQ(SQLLiteral(f.Items(1), 1, r, false), "77");
    EXPECT_EQ(SQLLiteral(f.Items(2), 2, r, false), "'2024-01-01 12:30:00'");
    TOrdoUpdateSQLSettings s;
    s.TableName = "T";
    EXPECT_EQ(InsertStatement(f, r, s), "INSERT INTO T (B, T) VALUES (TRUE, '2024-01-01 12:30:00')")
        << "auto-increment columns are left to the server";
    s.SQLOptions.Include(soIgnoreAutoIncrement);
    EXPECT_EQ(InsertStatement(f, r, s), "INSERT INTO T (B, I, T) VALUES (TRUE, 77, '2024-01-01 12:30:00')");
}

}  // namespace
}  // namespace ordo
