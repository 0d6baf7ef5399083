// The window's start-up: address and port choice from Environment.ini, and its place on the desktop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/main_form.h"
#include "app/server_address.h"
#include "platform/net_info.h"
#include "tests/support/scramble_port.h"

namespace ordo {
namespace {

namespace fs = std::filesystem;

std::string Scramble(const std::string& plain) { return test::ScramblePortText(plain); }

struct FormFixture : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("fq-form-" + std::to_string(std::random_device{}()));
    std::ostringstream err;
    std::unique_ptr<IUiBackend> ui = CreateHeadlessUi(err, nullptr, false, false);

    void SetUp() override {
        fs::create_directories(dir);
        OverrideNetworkState(false);  // choose the address, but do not connect
    }
    void TearDown() override {
        OverrideNetworkState(std::nullopt);
        fs::remove_all(dir);
    }
    void Ini(const std::string& svrIp, const std::string& svrNm, const std::string& port) {
        std::ofstream(dir / "Environment.ini") << "[SYSTEM]\r\nSvrIP=" << svrIp << "\r\nSvrNM=" << svrNm
                                               << "\r\nDBDSPort=" << port << "\r\n[SYSSETUP]\r\nDMGID=S1\r\n";
    }
    std::unique_ptr<TfrmPellow> Create() {
        auto form = std::make_unique<TfrmPellow>(*ui, dir.string() + "/");
        form->FormCreate();
        return form;
    }
};

TEST_F(FormFixture, DesignTimeSettings) {
    auto form = std::make_unique<TfrmPellow>(*ui, dir.string() + "/");
    EXPECT_EQ(form->Window().ClientWidth(), 120);
    EXPECT_EQ(form->Window().ClientHeight(), 57);
    EXPECT_FALSE(form->Window().Progress().Visible());
    EXPECT_EQ(form->ACSocket.Address(), "127.0.0.1");
    EXPECT_EQ(form->ACSocket.Port(), 55200);
    EXPECT_EQ(form->ACSocket.ApplicationName(), "Vantrel");
    EXPECT_FALSE(form->ACSocket.Active());
}

TEST_F(FormFixture, DottedAddressWithoutNameIsUsedAsItIs) {
    for (const char* svrNm : {"", "Null"}) {
        SCOPED_TRACE(svrNm);
        Ini("10.1.2.3", svrNm, Scramble("3050"));
        auto form = Create();
        EXPECT_EQ(form->ACSocket.Address(), "10.1.2.3");
        EXPECT_EQ(form->ACSocket.Port(), 3050);
        EXPECT_FALSE(form->ACSocket.Active());
        EXPECT_FALSE(form->ACSocket.Connecting());
    }
}

TEST_F(FormFixture, ServerNameWinsAndFallsBackToTheAddress) {
    Ini("10.1.2.3", "localhost", Scramble("3050"));
    EXPECT_EQ(Create()->ACSocket.Address(), "127.0.0.1");
    Ini("10.1.2.3", "no-such-host.invalid", Scramble("3050"));
    EXPECT_EQ(Create()->ACSocket.Address(), "10.1.2.3");
}

TEST_F(FormFixture, UndottedAddressResolvesTheMachinesOwnName) {
    Ini("server", "", Scramble("3050"));
    const auto own = ResolveHostName("");
    ASSERT_TRUE(own.has_value());
    EXPECT_EQ(Create()->ACSocket.Address(), *own);
}

TEST_F(FormFixture, ADottedNameThatDoesNotResolveIsSaidAtOnceWithTheReason) {
    Ini("no-such-host.invalid", "", Scramble("3050"));
    std::ostringstream said;
    auto form = std::make_unique<TfrmPellow>(*ui, dir.string() + "/");
    form->SetMessages(said);
    form->FormCreate();
    EXPECT_NE(said.str().find("the server name \"no-such-host.invalid\" does not resolve: "), std::string::npos)
        << said.str();
    EXPECT_NE(form->ACSocket.Address(), "") << "an empty address once made the later lines name no host";
}

TEST_F(FormFixture, OnlyTheFirstPortFieldCountsAndBadHexGivesMinusOne) {
    Ini("10.1.2.3", "", Scramble("4000") + "," + Scramble("5000"));
    EXPECT_EQ(Create()->ACSocket.Port(), 4000);
    Ini("10.1.2.3", "", "ZZ" + Scramble("4000"));
    EXPECT_EQ(Create()->ACSocket.Port(), -1);
}

TEST_F(FormFixture, PortThatIsNoNumberLeavesTheDesignPortAndNoConnection) {
    OverrideNetworkState(true);
    Ini("10.1.2.3", "", Scramble("12a4"));
    auto form = Create();
    EXPECT_EQ(form->ACSocket.Address(), "10.1.2.3");
    EXPECT_EQ(form->ACSocket.Port(), 55200);
    EXPECT_FALSE(form->ACSocket.Connecting());
    EXPECT_FALSE(form->ACSocket.Active());
}

TEST_F(FormFixture, NothingConfiguredTouchesNothing) {
    auto form = Create();  // no Environment.ini at all
    EXPECT_EQ(form->ACSocket.Address(), "127.0.0.1");
    EXPECT_EQ(form->ACSocket.Port(), 55200);
    EXPECT_TRUE(form->TimerEnabled());
}

TEST_F(FormFixture, OnlineMachineStartsConnecting) {
    OverrideNetworkState(true);
    Ini("127.0.0.1", "", Scramble("1"));
    auto form = Create();
    EXPECT_TRUE(form->ACSocket.Connecting() || form->ACSocket.Active());
}

/// A user interface whose message box, while it waits for its OK, lets something run, as a real box's own loop
/// goes on dispatching timer ticks.
class BoxLoopUi final : public IUiBackend {
public:
    explicit BoxLoopUi(IUiBackend& inner) : inner_(inner) {}
    std::function<void()> whileOpen;
    int boxes = 0;
    [[nodiscard]] std::string Name() const override { return inner_.Name(); }
    std::unique_ptr<IUiWindow> CreateWindow() override { return inner_.CreateWindow(); }
    [[nodiscard]] TRect WorkArea() const override { return inner_.WorkArea(); }
    void ShowMessage(std::string_view) override {
        ++boxes;
        if (whileOpen) whileOpen();
    }
    bool Confirm(std::string_view q, bool d) override { return inner_.Confirm(q, d); }
    void SetScreenCursor(TCursor c) override { inner_.SetScreenCursor(c); }
    [[nodiscard]] TCursor ScreenCursor() const override { return inner_.ScreenCursor(); }

private:
    IUiBackend& inner_;
};

TEST_F(FormFixture, TheReconnectTimerOpensNoSecondBoxOnTopOfAConnectFailure) {
    OverrideNetworkState(true);
    Ini("127.0.0.1", "", Scramble("1"));
    BoxLoopUi boxUi(*ui);
    TfrmPellow form(boxUi, dir.string() + "/");
    form.FormCreate();
    form.ACSocket.Close();  // the attempt failed; its message box is about to open
    bool triedWhileOpen = false;
    boxUi.whileOpen = [&] {
        form.tmrConnectTimer();
        triedWhileOpen = form.ACSocket.Connecting() || form.ACSocket.Active();
    };
    form.ACSocket.Ui().ShowMessage("10060: connection timed out");
    EXPECT_FALSE(triedWhileOpen) << "a new attempt while the box was open could stack a second box";
    EXPECT_EQ(boxUi.boxes, 1);
    // Once the box is closed, the next tick tries again.
    form.tmrConnectTimer();
    EXPECT_TRUE(form.ACSocket.Connecting() || form.ACSocket.Active());
}

TEST_F(FormFixture, FailedAttemptsAreSaidWithWhereAndWhy) {
    std::ostringstream messages;
    OverrideNetworkState(false);
    Ini("10.1.2.3", "", Scramble("3050"));
    TfrmPellow form(*ui, dir.string() + "/");
    form.SetMessages(messages);
    form.FormCreate();
    EXPECT_EQ(messages.str(),
              "fqreplay: cannot connect to 10.1.2.3:3050: the machine reports no network connection; "
              "trying again every 5 s\n");
}

TEST_F(FormFixture, WindowSitsInTheBottomRightCornerOfTheWorkArea) {
    auto form = Create();
    form->FormShow();
    const TRect area = ui->WorkArea();
    EXPECT_EQ(form->Window().Left() + form->Window().Width(), area.Right);
    EXPECT_EQ(form->Window().Top() + form->Window().Height(), area.Bottom);
    EXPECT_TRUE(form->Window().Shown());
}

}  // namespace
}  // namespace ordo
