#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "params/param_list.h"
#include "params/show_message.h"
#include "params/sql_params.h"

namespace ordo {
namespace {

std::vector<std::string> Names(std::string_view sql) { return detail::ScanSqlParams(sql).names; }
using V = std::vector<std::string>;

TEST(ParamsFromSQL, FindsNamesOnceInOrder) {
    struct Case { const char* sql; V want; } cases[] = {
        {"select * from t where a = :A and b = :b and c = :A", {"A", "b"}},
        {"update t set x = :v where d = '12:30'", {"v"}},
        {"select '12:30' from t where a = :p", {}},
        {"where a = :p1)", {"p1"}},
        {"a = :p\nand", {"pand"}},
        {"a = :p\r\nand b = :q", {"p", "q"}},
        {"x = :a+:b*:c,:d-:e", {"a", "b", "c", "d", "e"}},
        {"f(:x);", {"x"}},
        {"no params here", {}},
        {"first : space", {}},
        {"where a = 'x:y'", {}},
        {"where a = :p and b = :", {"p"}},
        {"where a = :p and b = : c", {"p", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(Names(c.sql), c.want);
    }
}

// Issue 24: the names found before the double colon were lost with it.
TEST(ParamsFromSQL, DoubleColonRaisesAndKeepsTheNamesBefore) {
    const detail::SqlParamScan scan = detail::ScanSqlParams("a = :p and b = :x::y and c = :q");
    EXPECT_EQ(scan.stop, detail::SqlScanStop::DoubleColon);
    EXPECT_EQ(scan.names, V{"p"});

    TOrdoParamList list;
    list.Add();
    try {
        list.ParamsFromSQL("a = :p and b = :x::y and c = :q");
        ADD_FAILURE() << "no exception";
    } catch (const EOrdoParamException& e) {
        EXPECT_EQ(e.what(), AnsiLiteral(":param 구문을 체크하세요"));
    }
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Name(), "p");
    EXPECT_EQ(list[0].ParamType(), ptInput);
}

TEST(ParamsFromSQL, UnclosedQuoteShowsAMessageAndStops) {
    TOrdoParamList list;
    std::vector<std::string> shown;
    list.OnShowMessage = [&](TOrdoParamList& sender, const std::string& msg) {
        EXPECT_EQ(&sender, &list);
        shown.push_back(msg);
    };
    list.ParamsFromSQL("where a = :a and b = 'open :b");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], AnsiLiteral("SQL 구문에 열려진 quote 구문이 있습니다"));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].Name(), "a");
    shown.clear();
    list.ParamsFromSQL("where a = 'x:y'");
    EXPECT_TRUE(shown.empty()) << "a closing quote as the last character is no open quote";
}

/// Puts the process's message sink back when the test ends.
class SinkScope {
public:
    explicit SinkScope(TShowMessageSink sink) : previous_(SetShowMessageSink(std::move(sink))) {}
    ~SinkScope() { SetShowMessageSink(std::move(previous_)); }
    SinkScope(const SinkScope&) = delete;
    SinkScope& operator=(const SinkScope&) = delete;
private:
    TShowMessageSink previous_;
};

// Issue 24: without a handler on the list the message was dropped.
TEST(ParamsFromSQL, UnclosedQuoteWithoutAHandlerReachesTheProcessSink) {
    std::vector<std::string> shown;
    {
        SinkScope scope([&](const std::string& text) { shown.push_back(text); });
        TOrdoParamList list;
        list.ParamsFromSQL("where a = :a and b = 'open");
        EXPECT_EQ(list.Count(), 1);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], AnsiLiteral("SQL 구문에 열려진 quote 구문이 있습니다"));

    // With no sink set from above the message still reaches the user, on stderr.
    SinkScope none({});
    testing::internal::CaptureStderr();
    TOrdoParamList list;
    list.ParamsFromSQL("where b = :b and c = 'open");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), AnsiLiteral("SQL 구문에 열려진 quote 구문이 있습니다\n"));
}

TEST(ParamsFromSQL, RebuildsTheListWithPlainInputItems) {
    TOrdoParamList list;
    list.Add();
    list.ParamsFromSQL(std::vector<std::string>{"select * from t", "where a = :A", "  and b = :B"});
    ASSERT_EQ(list.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(list[i].DataType(), ftUnknown);
        EXPECT_EQ(list[i].ParamType(), ptInput);
        EXPECT_FALSE(list[i].IsNull());
        EXPECT_EQ(list[i].Size(), 0);
        EXPECT_TRUE(list[i].ValueBytes().empty());
    }
    EXPECT_EQ(list[1].Name(), "B");
}

}  // namespace
}  // namespace ordo
