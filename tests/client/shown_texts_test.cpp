// The program's Korean texts reach the user in the machine's code page: EUC-KR bytes under a
// Korean locale on Linux, code page 949 in a Korean Windows session (the Windows suite runs there).
// Before issue 24 the socket, message line, data set and parameter scan texts went out as UTF-8.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "client/client_data_set.h"
#include "codec/string_line.h"
#include "net/client_socket.h"
#include "net/reply_state.h"
#include "net/socket_errors.h"
#include "params/show_message.h"
#include "platform/codepage.h"
#include "tests/support/error_text.h"
#include "tests/support/recording_ui.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace ordo {
namespace {

/// EUC-KR (and code page 949) bytes of a UTF-8 text, by the system's converter by its own name.
std::string Euc(std::string_view utf8) { return ConvertCodeset(utf8, "UTF-8", "EUC-KR"); }

#ifndef _WIN32
/// A ko_KR.EUC-KR locale under `base`, made once per build tree; empty with the reason in `why`.
std::string MakeEucKrLocale(std::string& why) {
    namespace fs = std::filesystem;
    const fs::path base = ORDO_TEST_LOCALE_DIR;
    const fs::path ready = base / "ko_KR.EUC-KR";
    if (fs::exists(ready / "LC_CTYPE")) return base.string();
    // Made aside and moved into place, so test processes running at once never see half of it.
    const fs::path aside = base / ("making-" + std::to_string(::getpid()));
    fs::create_directories(aside);
    const std::string log = (aside / "localedef.log").string();
    const std::string command = "localedef -i ko_KR -f EUC-KR '" + (aside / "ko_KR.EUC-KR").string() + "' >'" + log + "' 2>&1";
    (void)std::system(command.c_str());  // warnings give a non-zero status too; the files tell
    std::error_code ec;
    if (fs::exists(aside / "ko_KR.EUC-KR" / "LC_CTYPE")) fs::rename(aside / "ko_KR.EUC-KR", ready, ec);
    if (!fs::exists(ready / "LC_CTYPE")) {
        std::ifstream in(log);
        why.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove_all(aside, ec);
    return fs::exists(ready / "LC_CTYPE") ? base.string() : std::string();
}
#endif

/// Runs each test in the Korean code page, or skips it saying why that cannot be had here.
class KoreanSession : public testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        if (AnsiCodePage() != "CP949")
            GTEST_SKIP() << "the session's code page is " << AnsiCodePage()
                         << ", not 949: scripts/test-windows.sh runs this suite in a Korean session";
#else
        std::string why;
        const std::string base = MakeEucKrLocale(why);
        if (base.empty())
            GTEST_SKIP() << "cannot make a ko_KR.EUC-KR locale with localedef (Debian package locales): " << why;
        InitLocale();
        saved_ = std::setlocale(LC_ALL, nullptr);
        ::setenv("LOCPATH", base.c_str(), 1);
        if (std::setlocale(LC_ALL, "ko_KR.EUC-KR") == nullptr)
            GTEST_SKIP() << "the locale made under " << base << " does not load";
        switched_ = true;
#endif
        ASSERT_EQ(AnsiCodePage(), "CP949");
    }
    void TearDown() override {
#ifndef _WIN32
        if (switched_) std::setlocale(LC_ALL, saved_.c_str());
        ::unsetenv("LOCPATH");
#endif
    }

private:
    std::string saved_;
    bool switched_ = false;
};


TEST_F(KoreanSession, SocketAndMessageLineTexts) {
    EXPECT_EQ(SocketErrorText(kWsaConnRefused),
              "10061: \xBF\xAC\xB0\xE1\xC0\xCC \xB0\xC5\xBA\xCE\xB5\xC7\xBE\xFA\xBD\xC0\xB4\xCF\xB4\xD9. \xBC\xAD\xB9\xF6"
              "\xB0\xA1 \xC8\xB0\xBC\xBA\xC8\xAD \xB5\xC7\xBE\xEE \xC0\xD6\xB4\xC2\xC1\xF6 \xC8\xAE\xC0\xCE\xC7\xCF\xBD\xCA"
              "\xBD\xC3\xBF\xC0");
    const std::string stopped = Euc("연결 오류입니다.  서버와 연결이 중지되었습니다. 서버가 중지되었을 수 있습니다.");
    EXPECT_EQ(SocketErrorText(kWsaConnAborted), "10053: " + stopped);
    EXPECT_EQ(SocketErrorText(kWsaConnReset), "10054: " + stopped);

    TOrdoStringLine line;
    EXPECT_EQ(test::ErrorText<EStringLineException>([&] { line.AddItem({}, 9); }), Euc("문자열 에러: 잘못된 테이다타입."));
    for (int i = 0; i < 5; ++i) line.AddInteger(i);
    EXPECT_EQ(test::ErrorText<EStringLineException>([&] { line.AddInteger(5); }), Euc("문자열 에러: 최대 필드를 초과하였습니다."));

    TOrdoClientSocket socket;
    test::RecordingUi ui;
    socket.SetUi(&ui);
    // The server's text arrives in the shops' code page; the tag in front must be in the same one.
    TOrdoReplyState replies;
    replies.FailOutside("\xC5\xD7\xC0\xCC\xBA\xED");
    EXPECT_EQ(replies.TakeServerError(), "[\xBC\xAD\xB9\xF6 \xBF\xA1\xB7\xAF]\xC5\xD7\xC0\xCC\xBA\xED");

    socket.SetClientType(ctBlocking);
    EXPECT_EQ(test::ErrorText<EOrdoSocketError>([&] { (void)socket.BlockingExchange(); }), Euc("전송될 자료가 없습니다"));

    socket.SetClientType(ctNonBlocking);
    socket.OnTerminateApplication = [](TOrdoClientSocket&) {};
    socket.SetConnectAction(caCustomConnect);
    socket.Loaded();
    EXPECT_EQ(ui.messages, std::vector<std::string>{Euc("서버 주소와 포트가 유효하지 않습니다")});
}

TEST_F(KoreanSession, DataSetAndParameterScanTexts) {
    TOrdoClientDataSet ds;
    ds.SQL().Add("SELECT 1 FROM RDB$DATABASE");
    EXPECT_EQ(test::ErrorText<EDatabaseError>([&] { ds.Open(); }),
              "\xC7\xD2\xB4\xE7\xB5\xC8 \xC5\xAC\xB6\xF3\xC0\xCC\xBE\xF0\xC6\xAE \xBC\xD2\xC4\xCF\xC0\xCC \xBE\xF8\xBD\xC0\xB4\xCF\xB4\xD9");

    TOrdoClientSocket socket;
    test::RecordingUi ui;
    socket.SetUi(&ui);
    ds.SetOrdoClientSocket(&socket);
    EXPECT_EQ(test::ErrorText<EDatabaseError>([&] { ds.ExecuteSQL(); }), Euc("소켓이 없거나 활성화 되어 있지 않습니다"));

    EXPECT_EQ(test::ErrorText<EOrdoParamException>([&] { ds.SQL().Add("and a = :x::y"); }),
              ":param \xB1\xB8\xB9\xAE\xC0\xBB \xC3\xBC\xC5\xA9\xC7\xCF\xBC\xBC\xBF\xE4");

    // The data set shows what its parameter scan has to say through its socket's message service.
    ds.SQL().Clear();
    ds.SQL().Add("select * from t where a = :a and b = 'open");
    EXPECT_EQ(ui.messages, std::vector<std::string>{Euc("SQL 구문에 열려진 quote 구문이 있습니다")});
    EXPECT_EQ(ds.Params().Count(), 1);
    ds.SetOrdoClientSocket(nullptr);
}

// Issue 24: without a handler on the data set's parameter list the message was dropped.
TEST(ClientDataSetMessages, TheParameterScanSpeaksThroughTheSocketOrTheProcessSink) {
    std::vector<std::string> sunk;
    const TShowMessageSink previous = SetShowMessageSink([&](const std::string& text) { sunk.push_back(text); });
    TOrdoClientDataSet ds;
    ds.SQL().Add("select * from t where a = :a and b = 'open");
    TOrdoClientSocket socket;
    test::RecordingUi ui;
    socket.SetUi(&ui);
    ds.SetOrdoClientSocket(&socket);
    ds.SQL().Clear();
    ds.SQL().Add("select * from t where c = :c and d = 'x");
    ds.SetOrdoClientSocket(nullptr);
    SetShowMessageSink(previous);
    const std::string text = AnsiLiteral("SQL 구문에 열려진 quote 구문이 있습니다");
    EXPECT_EQ(sunk, std::vector<std::string>{text}) << "no socket yet: the process's sink";
    EXPECT_EQ(ui.messages, std::vector<std::string>{text}) << "with a socket: its message service";
}

}  // namespace
}  // namespace ordo
