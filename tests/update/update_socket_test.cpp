// The update as the client socket receives it from a scripted server: the window following the
// stream, the plain and patch ways, the login's preparation and files in segments.
#include <gtest/gtest.h>

#include <optional>

#include "net/client_socket.h"
#include "params/param_list.h"
#include "platform/codepage.h"
#include "tests/support/message_pump.h"
#include "tests/support/scripted_transport.h"
#include "tests/support/socket_peer.h"
#include "update/socket_update.h"
#include "update_test_support.h"

namespace ordo {
namespace {

using test::DrainQuit;
using test::FileText;
using test::Line;
using test::PeerConn;
using test::TempFolder;
using test::UpdateRecordingUi;

/// The client's own list from a login line's fifth item (version, 0x02, list).
TOrdoParamList LoginList(TOrdoStringLine& login) {
    for (int i = 0; i < 4; ++i) (void)login.ReadBytes();
    ByteView fifth = login.ReadBytes();
    auto sep = std::find(fifth.begin(), fifth.end(), std::uint8_t{0x02});
    if (sep == fifth.end()) throw std::runtime_error("no 0x02 in the login's fifth item");
    return TOrdoParamList::CreateFromString(fifth.subspan(static_cast<std::size_t>(sep - fifth.begin()) + 1));
}

TOrdoStringLine StreamLine(const Bytes& program) {
    TOrdoStringLine line = Line(mcUpdateFile);
    line.AddStream(program);
    return line;
}

TOrdoStringLine PatcherLine(const std::string& program) {
    TOrdoParamList list;
    list.Add().SetName("Patcher");
    list.ParamByName("Patcher").SetAsBlob(AsBytes(program));
    TOrdoStringLine line = Line(mcUtilityInfo);
    line.AddInteger(15);
    line.AddItem(list.SaveToString(false), itString);
    return line;
}

TOrdoStringLine SegmentLine(const std::string& name, const std::string& data, int size, bool finished) {
    TOrdoParamList list;
    list.FastAdd("LocalFileName", Variant(name));
    list.Add().SetName("Data");
    list.ParamByName("Data").SetAsBlob(AsBytes(data));
    list.Add().SetName("FileSize");
    list.ParamByName("FileSize").SetAsInteger(size);
    list.Add().SetName("Finished");
    list.ParamByName("Finished").SetAsBoolean(finished);
    TOrdoStringLine line = Line(mcCodedParamList);
    line.AddInteger(-75008);
    line.AddItem(list.SaveToString(false), itString);
    line.AddInteger(0);
    return line;
}

Bytes Program(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return b;
}

struct UpdateSocketFixture : ::testing::Test {
    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        attached = &AttachClientUpdate(*socket);
        attached->ClientUpdate().SetProgram({dir / "fqreplay", {"--shop", "7"}});
        attached->ClientUpdate().SetLauncher([this](const std::string& path) { launched.push_back(path); });
        // These tests follow what the socket does with an update it may take; who may take one is
        // the guard's, tested below and end to end.
        attached->SetPushGuard([this](const std::string&) { return refusal; });
        socket->OnTerminateApplication = [this](TOrdoClientSocket&) { ++terminations; };
        socket->OnReadProgress = [this](TOrdoClientSocket&, std::int64_t, std::int64_t) { ++readProgress; };
    }
    void TearDown() override {
        socket.reset();
        DrainQuit();
    }
    bool WindowClosed() { return !ui.windows.empty() && ui.windows.back()->closed; }

    TempFolder dir;
    UpdateRecordingUi ui;
    std::unique_ptr<TOrdoClientSocket> socket;
    TOrdoSocketUpdate* attached = nullptr;  // owned by the socket
    std::vector<std::string> launched;
    int terminations = 0;
    int readProgress = 0;
    std::optional<std::string> refusal;  // what the push guard answers
};

/// The same socket over a scripted connection: the stream arrives in exactly the reads the test chooses, and
/// every login is answered as accepted and kept.
struct ScriptedUpdateFixture : UpdateSocketFixture {
    void SetUp() override {
        UpdateSocketFixture::SetUp();
        socket->SetTransportFactory(scripted.Factory());
        socket->WaitObject().SetClock(clock);
        scripted.AcceptLogin = false;
        scripted.OnRequest = [this](TOrdoStringLine& request) {
            if (request.Token() != mcLogin) return;
            logins.push_back(LoginList(request));
            TOrdoStringLine reply = Line(mcLogin);
            reply.AddString("1");
            scripted.Reply(std::move(reply));
            if (onLogin) onLogin(logins.size() - 1);
        };
    }
    void TearDown() override {
        socket.reset();
        EXPECT_EQ(clock.Stalls(), 0);
        UpdateSocketFixture::TearDown();
    }
    void Connect() {
        socket->Open();
        test::Settle();
        ASSERT_TRUE(socket->Active());
    }
    /// Lines from the server, then everything they set off.
    void Receive(std::initializer_list<TOrdoStringLine> lines) {
        for (const TOrdoStringLine& line : lines) scripted.Reply(line);
        test::Settle();
    }

    test::TManualClock clock;
    test::TScriptedPeer scripted{clock};
    std::vector<TOrdoParamList> logins;
    std::function<void(std::size_t index)> onLogin;
};

TEST_F(ScriptedUpdateFixture, PlainUpdateIsSavedTheScriptStartedAndTheProgramEnded) {
    const Bytes program = Program(300'000);
    const Bytes frame = test::Frame(StreamLine(program));
    Connect();
    Receive({Line(mcUpdateBegin)});
    // The stream in reads of 4096 bytes, each its own notification.
    scripted.DeliverSplit(frame, std::vector<std::size_t>(frame.size() / 4096, 4096));
    test::Settle();
    ASSERT_EQ(terminations, 1);
    ASSERT_EQ(ui.windows.size(), 1u);
    const auto& log = *ui.windows[0];
    EXPECT_TRUE(log.closed);
    EXPECT_EQ(log.max, static_cast<int>(frame.size()));
    EXPECT_EQ(log.statuses.at(1), AnsiLiteral("업데이트를 수신 중입니다"));
    // A report per read after the first, then one at delivery.
    ASSERT_EQ(log.positions.size(), (frame.size() + 4095) / 4096);
    EXPECT_EQ(log.positions.back(), 0);
    EXPECT_EQ(log.positions[log.positions.size() - 2], static_cast<int>(frame.size()));
    for (std::size_t i = 1; i + 2 < log.positions.size(); ++i) EXPECT_EQ(log.positions[i], log.positions[i - 1] + 4096);
    EXPECT_EQ(log.statuses.back(),
              " Received " + std::to_string(frame.size()) + " of " + std::to_string(frame.size()) + " bytes");
    EXPECT_EQ(log.captions.back(), "Update of fqreplay in progress . . . 0 Secs");
    EXPECT_EQ(readProgress, 0);  // the window had the progress, not the event

    EXPECT_EQ(ReadFileBytes(dir / "TempFile"), program);
    EXPECT_EQ(launched, (std::vector<std::string>{dir / "ReStart.sh"}));
    EXPECT_NE(FileText(dir / "ReStart.sh").find("exec '" + dir.Path() + "fqreplay' '--shop' '7' </dev/null"),
              std::string::npos);
    EXPECT_FALSE(socket->ProgressBar());
    EXPECT_FALSE(attached->ClientUpdate().Updating());
}

// The announcement and the whole stream in one read: there is no window yet to follow the stream arriving.
// The window still shows it received, start to end, and then closes.
TEST_F(ScriptedUpdateFixture, AStreamThatCameWithItsAnnouncementIsStillShownReceived) {
    const Bytes program = Program(2000);
    const Bytes frame = test::Frame(StreamLine(program));
    Bytes both = test::Frame(Line(mcUpdateBegin));
    both.insert(both.end(), frame.begin(), frame.end());
    Connect();
    scripted.Deliver(both);
    test::Settle();
    ASSERT_EQ(terminations, 1);
    ASSERT_EQ(ui.windows.size(), 1u);
    const auto& log = *ui.windows[0];
    EXPECT_TRUE(log.closed);
    EXPECT_EQ(log.max, static_cast<int>(frame.size()));
    EXPECT_EQ(log.statuses.at(1), AnsiLiteral("업데이트를 수신 중입니다"));
    EXPECT_EQ(log.positions, (std::vector<int>{static_cast<int>(frame.size()), 0}));  // full, then the delivery
    EXPECT_EQ(log.statuses.back(),
              " Received " + std::to_string(frame.size()) + " of " + std::to_string(frame.size()) + " bytes");
    EXPECT_EQ(readProgress, 0);
    EXPECT_EQ(ReadFileBytes(dir / "TempFile"), program);
}

TEST_F(ScriptedUpdateFixture, PatchWayWithoutThePatchProgramSavesNothingAndTheProgramRuns) {
    socket->SetPatchFile(dir / "update.bin");
    Connect();
    Receive({Line(mcUpdateBegin), StreamLine(Program(5000))});
    EXPECT_TRUE(WindowClosed());
    EXPECT_FALSE(FileExists(dir / "update.bin"));
    EXPECT_FALSE(FileExists(dir / "ReStart.sh"));
    EXPECT_FALSE(FileExists(dir / "TempFile"));
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(socket->Active());
    EXPECT_FALSE(socket->ProgressBar());
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_NE(logins[0].FindParam("NeedPatcher"), nullptr);
}

TEST_F(ScriptedUpdateFixture, AnUpdateWithoutAStreamEndsTheUpdateAndChangesNothing) {
    Connect();
    Receive({Line(mcUpdateBegin), Line(mcUpdateFile)});
    EXPECT_TRUE(WindowClosed());
    EXPECT_FALSE(attached->ClientUpdate().Updating());
    EXPECT_FALSE(socket->ProgressBar());
    EXPECT_FALSE(FileExists(dir / "TempFile"));
    EXPECT_FALSE(FileExists(dir / "ReStart.sh"));
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(terminations, 0);
}

TEST_F(ScriptedUpdateFixture, NeedPatcherStaysOnEveryLoginAndTheTriggerGoesWithEachOne) {
    socket->SetPatchFile(dir / "update.bin");
    TOrdoParamList triggers;
    triggers.FastAdd("OnSale", Variant("notify"));
    const std::string triggerText = ToString(triggers.SaveToString(false));
    socket->SetTriggerList(std::move(triggers));
    onLogin = [this](std::size_t index) {
        if (index != 0) return;
        scripted.Reply(PatcherLine("#!/bin/sh\n"));
        scripted.Reply(Line(mcReconnect));
    };
    Connect();
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(scripted.Connections(), 2);
    EXPECT_TRUE(FileExists(dir / "patcher"));
    for (auto& list : logins) {
        const TOrdoParamItem* need = list.FindParam("NeedPatcher");
        ASSERT_NE(need, nullptr);
        EXPECT_EQ(need->AsString(), "");
        const TOrdoParamItem* trigger = list.FindParam("~OrdoTrigger");
        ASSERT_NE(trigger, nullptr);
        EXPECT_EQ(trigger->AsString(), triggerText);
    }
    // The trigger travels in a copy; the client's own list keeps only what it owns.
    EXPECT_NE(socket->ClientParams().FindParam("NeedPatcher"), nullptr);
    EXPECT_EQ(socket->ClientParams().FindParam("~OrdoTrigger"), nullptr);
}

TEST_F(ScriptedUpdateFixture, WithoutAPatchFileTheLoginAsksForNoPatchProgram) {
    Connect();
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].FindParam("NeedPatcher"), nullptr);
    EXPECT_EQ(logins[0].FindParam("~OrdoTrigger"), nullptr);
}

TEST_F(ScriptedUpdateFixture, PatchWayHandsTheSavedUpdateAndTheLinesToTheHandler) {
    socket->SetPatchFile(dir / "update.bin");
    const Bytes program = Program(20'000);
    Bytes seen;
    socket->OnAutoClientUpgrade = [&](TOrdoClientSocket&, ByteView update, bool& handled,
                                      std::vector<std::string>& lines) {
        seen.assign(update.begin(), update.end());
        EXPECT_EQ(lines.at(4), "'" + dir.Path() + "patcher' -p'" + dir.Path() + "update.bin' -f'" + dir.Path() +
                                   "fqreplay'");
        lines.insert(lines.begin() + 4, "echo checked");
        handled = true;
    };
    Connect();
    Receive({PatcherLine("#!/bin/sh\n"), Line(mcUpdateBegin), StreamLine(program)});
    EXPECT_EQ(seen, program);
    EXPECT_EQ(ReadFileBytes(dir / "update.bin"), program);
    const std::vector<std::string> saved = LoadTextLines(dir / "ReStart.sh");
    ASSERT_GT(saved.size(), 5u);
    EXPECT_EQ(saved[4], "echo checked");
    EXPECT_TRUE(launched.empty());  // handled: the restart is the handler's
    EXPECT_EQ(terminations, 0);
}

TEST_F(ScriptedUpdateFixture, SegmentsArriveAsOneFileAndRefusedNamesWriteNothing) {
    using Call = std::tuple<std::string, std::int64_t, std::int64_t, std::int64_t>;
    std::vector<Call> calls;
    int codedLists = 0;
    socket->OnFileSegmentArrive = [&](TOrdoClientSocket&, const std::string& name, std::int64_t seg, std::int64_t got,
                                      std::int64_t size) { calls.emplace_back(name, seg, got, size); };
    socket->OnCodedParamList = [&](TOrdoClientSocket&, int, TOrdoParamList&) { ++codedLists; };
    Connect();
    Receive({SegmentLine("../outside.txt", "nope", 4, true), SegmentLine("conf\\shop.ini", "[a]\r\n", 14, false),
             SegmentLine("conf\\shop.ini", "x=1\r\n", 14, false), SegmentLine("conf\\shop.ini", "y=2", 14, true)});
    EXPECT_EQ(FileText(dir / "conf/shop.ini"), "[a]\r\nx=1\r\ny=2");
    EXPECT_EQ(calls, (std::vector<Call>{{"conf\\shop.ini", 5, 5, 14},
                                        {"conf\\shop.ini", 5, 10, 14},
                                        {"conf\\shop.ini", 3, 13, 14},
                                        {"conf\\shop.ini", -1, -1, -1}}));
    EXPECT_FALSE(FileExists(dir.Path() + "../outside.txt"));
    EXPECT_EQ(codedLists, 0);
    EXPECT_EQ(attached->FileSegments().OpenCount(), 0u);
}

TEST_F(ScriptedUpdateFixture, ARefusedPushWritesNothingSaysWhyOnceAndTheProgramGoesOn) {
    refusal = "/usr/lib/fqreplay belongs to root";
    Connect();
    Receive({Line(mcUpdateBegin), StreamLine(Program(5000)), SegmentLine("fqreplay", "#!/bin/sh\n", 10, false),
             SegmentLine("fqreplay", "exit 0\n", 10, true)});
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(launched.empty());
    EXPECT_FALSE(FileExists(dir / "TempFile"));
    EXPECT_FALSE(FileExists(dir / "ReStart.sh"));
    EXPECT_FALSE(FileExists(dir / "fqreplay"));
    EXPECT_TRUE(WindowClosed());
    EXPECT_FALSE(attached->ClientUpdate().Updating());
    ASSERT_EQ(ui.messages.size(), 2u) << "the build once, the file once, not once a segment";
    EXPECT_EQ(ui.messages[0],
              "fqreplay: a new build of the program from the server is refused: /usr/lib/fqreplay belongs to root; "
              "update the program through its package or by hand");
    EXPECT_NE(ui.messages[1].find("the file \"fqreplay\" from the server is refused"), std::string::npos)
        << ui.messages[1];
    EXPECT_TRUE(socket->Active()) << "the connection and the queue's work go on";
}

}  // namespace
}  // namespace ordo
