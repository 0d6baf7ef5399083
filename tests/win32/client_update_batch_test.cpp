// The client update's batch files on Windows: their lines, and the plain one run for real by
// cmd.exe, swapping a program file and starting it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "update/client_update.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/win32/windows_api.h"
#include "tests/support/temp_folder.h"

namespace ordo {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Win32UpdateBatch, ThePlainBatchSwapsByFullPathsAndRestartsWithTheArguments) {
    TOrdoProgramImage program{"C:/Shop 1/fqreplay.exe", {"a b", "100%", "x&y"}};
    auto lines = PlainRestartLines(program);
    EXPECT_EQ(lines.front(), "@echo off");
    EXPECT_TRUE(Contains(lines, "cd /d \"C:\\Shop 1\""));
    EXPECT_TRUE(Contains(lines, "DEL \"C:\\Shop 1\\fqreplay.exe.OLD\""));
    EXPECT_TRUE(Contains(lines, "ReName \"C:\\Shop 1\\fqreplay.exe\" \"fqreplay.exe.OLD\""));
    EXPECT_TRUE(Contains(lines, "Rename \"C:\\Shop 1\\TempFile.exe\" \"fqreplay.exe\""));
    EXPECT_TRUE(Contains(lines, "Call \"C:\\Shop 1\\fqreplay.exe\" \"a b\" 100%% \"x&y\""));
    EXPECT_EQ(lines.back(), "Del \"C:\\Shop 1\\ReStart.Bat\"");
    // The retry waits between tries and ends.
    EXPECT_TRUE(Contains(lines, "ping -n 2 127.0.0.1 >nul"));
    EXPECT_TRUE(Contains(lines, "if %xTries% geq 120 goto xStart"));
}

TEST(Win32UpdateBatch, ThePatchBatchHandsThePathsToThePatcher) {
    TOrdoProgramImage program{"C:/Shop/fqreplay.exe", {}};
    auto lines = PatchRestartLines(program, "C:/Shop/update.pat");
    EXPECT_TRUE(Contains(lines, "\"C:\\Shop\\patcher.exe\" -pC:\\Shop\\update.pat -fC:\\Shop\\fqreplay.exe"));
    EXPECT_TRUE(Contains(lines, "Call \"C:\\Shop\\fqreplay.exe\""));
    EXPECT_EQ(lines.back(), "Del \"C:\\Shop\\ReStart.Bat\"");
}

TEST(Win32UpdateBatch, CmdRunsThePlainBatchToItsEnd) {
    const test::TempFolder dir("ordo-batch");
    const std::string folder = ToNativePath(dir.Path());
    // The "program" is a batch of its own, so that starting it again leaves a trace to look for.
    const std::string program = folder + "prog.cmd";
    SaveTextLines(program, {"@echo old"});
    SaveTextLines(folder + kUpdateTempName, {"@echo started %1> \"" + folder + "started.txt\""});
    TOrdoProgramImage image{program, {"again"}};
    const std::string script = folder + kRestartScriptName;
    SaveShellScript(script, PlainRestartLines(image));
    StartRestartScript(script);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (FileExists(script) && std::chrono::steady_clock::now() < deadline) Sleep(100);
    EXPECT_FALSE(FileExists(script)) << "the batch did not end";
    EXPECT_FALSE(FileExists(folder + kUpdateTempName));
    EXPECT_EQ(LoadTextLines(program + kOldProgramSuffix), std::vector<std::string>{"@echo old"});
    ASSERT_TRUE(FileExists(folder + "started.txt"));
    EXPECT_EQ(LoadTextLines(folder + "started.txt"), std::vector<std::string>{"started again"});

}

}  // namespace
}  // namespace ordo
