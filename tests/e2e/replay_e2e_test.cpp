// fqreplay against ordo-server on an embedded Firebird database: statements really run, files go only when done.
#include <gtest/gtest.h>

#include "tests/support/replay_fixture.h"

namespace ordo::test {
namespace {

const char* kTable = "CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), QTY INTEGER)";

TEST(ReplayEndToEnd, QueueOfInsertsUpdatesAndSelectsIsAppliedAndDeleted) {
    ReplayFixture f;
    f.Exec(kTable);
    f.Put("01.txt", "INSERT INTO ITEMS (ID, NAME, QTY) VALUES (1, 'apple', 3)");
    f.Put("02.txt", "insert into ITEMS (ID, NAME, QTY)\nvalues (2, '배', 5)");  // one statement over two lines
    f.Put("03.txt", "UPDATE ITEMS SET QTY = QTY + 10 WHERE ID = 1");
    f.Put("04.txt", "SELECT * FROM ITEMS");
    f.Put("05.txt", "SELECT * FROM ITEMS WHERE ID = 99");  // no rows is still a success
    f.Put("06.TXT", "DELETE FROM ITEMS WHERE ID = 2");
    EXPECT_EQ(f.Run(), 0) << f.Stderr();
    EXPECT_TRUE(f.Remaining().empty());
    const DecodedRows rows = f.Select("SELECT ID, NAME, QTY FROM ITEMS ORDER BY ID");
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_EQ(rows.Text(0, rows.Column("NAME")), "apple");
    EXPECT_EQ(rows.Int(0, rows.Column("QTY")), 13);
}

TEST(ReplayEndToEnd, AnSqlErrorEndsTheWalkAndKeepsTheFailingFileAndThoseAfterIt) {
    ReplayFixture f;
    f.Exec(kTable);
    f.Put("a.txt", "INSERT INTO ITEMS (ID, NAME) VALUES (1, 'one')");
    f.Put("b.txt", "INSERT INTO NO_SUCH_TABLE VALUES (1)");
    f.Put("c.txt", "INSERT INTO ITEMS (ID, NAME) VALUES (3, 'three')");
    EXPECT_EQ(f.Run(), 1);
    EXPECT_NE(f.Stderr().find("NO_SUCH_TABLE"), std::string::npos) << f.Stderr();
    EXPECT_EQ(f.Remaining(), (std::vector<std::string>{"b.txt", "c.txt"}));
    EXPECT_EQ(f.Select("SELECT ID FROM ITEMS").Count(), 1);

    // The next start picks up where the walk stopped once the cause is gone.
    f.Put("b.txt", "INSERT INTO ITEMS (ID, NAME) VALUES (2, 'two')");
    EXPECT_EQ(f.Run(), 0) << f.Stderr();
    EXPECT_TRUE(f.Remaining().empty());
    EXPECT_EQ(f.Select("SELECT ID FROM ITEMS").Count(), 3);
}

TEST(ReplayEndToEnd, NoServerMeansNothingIsDeletedAndTheProgramKeepsTrying) {
    ReplayFixture f;
    f.Put("a.txt", "INSERT INTO ITEMS (ID) VALUES (1)");
    f.WriteIni(1);  // nothing listens there
    ReplayProcess p = f.Start();
    EXPECT_EQ(p.Wait(1500), -1);  // still running: it retries every 5 s, unattended
    EXPECT_TRUE(f.Has("a.txt"));
}

TEST(ReplayEndToEnd, ServerKilledInTheMiddleOfTheWalkDeletesNothingUnconfirmed) {
    ReplayFixture f;
    f.Exec(kTable);
    f.Put("1.txt", "INSERT INTO ITEMS (ID) VALUES (1)");
    // Keeps the server busy long enough to be killed while the client waits for the reply.
    f.Put("2.txt",
          "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 200000000) DO I = I + 1; "
          "INSERT INTO ITEMS (ID) VALUES (2); END");
    f.Put("3.txt", "INSERT INTO ITEMS (ID) VALUES (3)");
    ReplayProcess p = f.Start();
    for (int i = 0; i < 600 && f.Has("1.txt"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(f.Has("1.txt"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    f.Server().Kill();
    const int status = p.Wait(20000);
    EXPECT_NE(status, -1) << "fqreplay hung after the server died";
    EXPECT_TRUE(f.Has("2.txt"));
    EXPECT_TRUE(f.Has("3.txt"));
}

}  // namespace
}  // namespace ordo::test
