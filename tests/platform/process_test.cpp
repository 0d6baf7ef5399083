#include "platform/process.h"

#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/errors.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/net_info.h"

namespace ordo {
namespace {

TEST(Process, ExecutableFolderEndsWithSlashAndHoldsTheExecutable) {
    std::string folder = ExeFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(FileExists(ExeFileName()));
    EXPECT_EQ(ExtractFilePath(ExeFileName()), folder);
}

TEST(Process, CommandLineStartsWithTheProgram) {
    auto args = CommandLineArgs();
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(CommandLine().rfind(args[0], 0), 0u);
}

TEST(Process, StartDetachedRunsAProgram) {
    std::string marker = testing::TempDir() + "detached_" + std::to_string(getpid());
    ASSERT_TRUE(StartDetached({"/bin/sh", "-c", "echo ok > '" + marker + "'"}));
    for (int i = 0; i < 200 && !FileExists(marker); ++i) Sleep(10);
    EXPECT_TRUE(FileExists(marker));
    DeleteFile(marker);
    EXPECT_FALSE(StartDetached({"/no/such/program"}));
    EXPECT_FALSE(StartDetached({}));
}

TEST(TTerminationSignals, SignalsArriveInsideTheLoop) {
    std::vector<int> got;
    {
        TTerminationSignals sig([&](int s) { got.push_back(s); });
        EXPECT_THROW(TTerminationSignals([](int) {}), EOSError) << "one watcher at a time";
        ::raise(SIGTERM);
        ::raise(SIGINT);
        EXPECT_TRUE(got.empty()) << "nothing runs inside the signal handler";
        for (int i = 0; i < 50 && got.size() < 2; ++i) WaitMessage(20);
    }
    EXPECT_EQ(got, (std::vector<int>{SIGTERM, SIGINT}));
}

TEST(NetInfo, DottedAddressesParseStrictly) {
    EXPECT_EQ(ParseIPv4("10.1.2.3"), 0x0A010203u);
    EXPECT_EQ(ParseIPv4("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.x", " 1.2.3.4", "1..2.3", "1234.1.1.1"})
        EXPECT_FALSE(ParseIPv4(bad)) << bad;
    EXPECT_EQ(FormatIPv4(0xC0A8000Au), "192.168.0.10");
}

TEST(NetInfo, ResolvesLocalNamesAndRefusesOverlongOnes) {
    EXPECT_EQ(ResolveHostFirstAddress("127.0.0.1"), "127.0.0.1");
    auto lo = ResolveHostAddresses("localhost");
    ASSERT_FALSE(lo.empty());
    EXPECT_EQ(lo.front().rfind("127.", 0), 0u);
    EXPECT_FALSE(LocalHostName().empty());
    EXPECT_TRUE(ResolveHostAddresses(std::string(300, 'a')).empty());
    EXPECT_TRUE(ResolveHostAddresses("").empty());
    EXPECT_FALSE(ResolveHostFirstAddress("no-such-host.invalid"));
}

TEST(NetInfo, TheConnectedStateCountsOnlyARealConnectionNotWorkingOffline) {
    EXPECT_TRUE(ConnectedStateIsOnline(true, kConnectionLan));
    EXPECT_TRUE(ConnectedStateIsOnline(true, kConnectionModem | 0x10));
    EXPECT_TRUE(ConnectedStateIsOnline(true, kConnectionProxy | 0x40));
    EXPECT_FALSE(ConnectedStateIsOnline(false, kConnectionLan)) << "the query failed";
    EXPECT_FALSE(ConnectedStateIsOnline(true, 0x40)) << "configured only";
    EXPECT_FALSE(ConnectedStateIsOnline(true, kConnectionLan | kConnectionOffline)) << "working offline";
}

TEST(NetInfo, NetworkStateCanBePinned) {
    OverrideNetworkState(false);
    EXPECT_FALSE(IsNetworkConnected());
    OverrideNetworkState(true);
    EXPECT_TRUE(IsNetworkConnected());
    OverrideNetworkState(std::nullopt);
}

}  // namespace
}  // namespace ordo
