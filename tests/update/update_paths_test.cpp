// Saving a pushed update and the scripts that put it in place: run for real on stand-in programs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "update/client_update.h"
#include "platform/process.h"
#include "update_test_support.h"

namespace ordo {
namespace {

using test::FileText;
using test::TempFolder;

/// A stand-in program: records which build ran and its arguments, one "[arg]" a line.
std::string StandIn(const std::string& folder, const std::string& build) {
    return "#!/bin/sh\necho " + build + " > '" + folder + "ran.txt'\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" +
           folder + "args.txt'\n";
}

void WriteText(const std::string& path, const std::string& text, bool executable) {
    WriteFileBytes(path, AsBytes(text));
    if (executable) MakeExecutable(path);
}

bool IsExecutable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IXUSR) != 0;
}

/// Runs a saved script as the launcher would, with the old program already gone.
int RunScript(const std::string& path) { return std::system(("/bin/sh '" + path + "' </dev/null").c_str()); }

const std::vector<std::string> kTrickyArgs{"--record", "it's", "two  words", "", "$(touch pwned)", "`id`",
                                           "a\"b", "back\\slash", "*"};

std::string ExpectedArgsFile() {
    std::string out;
    for (const auto& a : kTrickyArgs) out += "[" + a + "]\n";
    return out;
}

struct UpdatePathsFixture : ::testing::Test {
    void SetUp() override {
        exe = dir / "shop prog";
        WriteText(exe, StandIn(dir.Path(), "old"), true);
        update.SetProgram({exe, kTrickyArgs});
        update.SetLauncher([this](const std::string& path) { launched.push_back(path); });
    }

    TempFolder dir;
    std::string exe;
    TOrdoClientUpdate update;
    std::vector<std::string> launched;
};

TEST_F(UpdatePathsFixture, PlainWaySwapsTheProgramAndStartsTheNewBuildWithTheSameArguments) {
    WriteText(exe + ".OLD", "an older build", false);
    const std::string newBuild = StandIn(dir.Path(), "new");
    const std::string script = update.SavePlainUpdate(AsBytes(newBuild));
    EXPECT_EQ(script, dir / "ReStart.sh");
    EXPECT_EQ(FileText(dir / "TempFile"), newBuild);
    EXPECT_TRUE(IsExecutable(dir / "TempFile"));
    EXPECT_TRUE(IsExecutable(script));
    EXPECT_EQ(FileText(exe), StandIn(dir.Path(), "old"));  // nothing replaced before the program ends

    ASSERT_EQ(RunScript(script), 0);
    EXPECT_EQ(FileText(exe), newBuild);
    EXPECT_EQ(FileText(exe + ".OLD"), StandIn(dir.Path(), "old"));
    EXPECT_EQ(FileText(dir / "ran.txt"), "new\n");
    EXPECT_EQ(FileText(dir / "args.txt"), ExpectedArgsFile());
    EXPECT_FALSE(FileExists(dir / "TempFile"));
    EXPECT_FALSE(FileExists(script));
    EXPECT_FALSE(FileExists(dir / "pwned"));
    EXPECT_TRUE(launched.empty());  // saving alone starts nothing
}

TEST_F(UpdatePathsFixture, PatchWayNeedsThePatchProgramAndWritesNothingWithoutIt) {
    const std::string patchFile = dir / "update.bin";
    try {
        update.SavePatchUpdate(AsBytes(std::string("new build")), patchFile);
        FAIL() << "no exception";
    } catch (const EOrdoClientUpdateError& e) {
        EXPECT_STREQ(e.what(), "Patcher.exe not found");
    }
    EXPECT_FALSE(FileExists(patchFile));
    EXPECT_FALSE(FileExists(dir / "ReStart.sh"));
}

TEST_F(UpdatePathsFixture, PatchWayRunsThePatchProgramOnTheSavedUpdateThenRestarts) {
    // A stand-in patch program: records its arguments and copies -p's file over -f's.
    WriteText(dir / "patcher",
              "#!/bin/sh\nprintf '[%s]\\n' \"$@\" > '" + dir.Path() +
                  "patcher-args.txt'\np=${1#-p}; f=${2#-f}; cp \"$p\" \"$f\"\n",
              true);
    ASSERT_TRUE(update.PatcherPresent());
    const std::string patchFile = dir / "the update.bin";
    const std::string newBuild = StandIn(dir.Path(), "patched");
    update.SavePatchUpdate(AsBytes(newBuild), patchFile);
    EXPECT_EQ(FileText(patchFile), newBuild);

    const std::string script = update.SaveRestartScript(PatchRestartLines(update.Program(), patchFile));
    ASSERT_EQ(RunScript(script), 0);
    EXPECT_EQ(FileText(dir / "patcher-args.txt"), "[-p" + patchFile + "]\n[-f" + exe + "]\n");
    EXPECT_EQ(FileText(exe), newBuild);
    EXPECT_EQ(FileText(dir / "ran.txt"), "patched\n");
    EXPECT_EQ(FileText(dir / "args.txt"), ExpectedArgsFile());
    EXPECT_FALSE(FileExists(script));
}

TEST_F(UpdatePathsFixture, AnEmptyUpdateIsRefusedOnBothWays) {
    WriteText(dir / "patcher", "#!/bin/sh\n", true);
    for (bool patch : {false, true}) {
        try {
            if (patch) {
                update.SavePatchUpdate({}, dir / "update.bin");
            } else {
                update.SavePlainUpdate({});
            }
            FAIL() << "no exception";
        } catch (const EOrdoClientUpdateError& e) {
            EXPECT_STREQ(e.what(), "No Update received");
        }
    }
    EXPECT_FALSE(FileExists(dir / "update.bin"));
    EXPECT_FALSE(FileExists(dir / "TempFile"));
    EXPECT_FALSE(FileExists(dir / "ReStart.sh"));
    EXPECT_EQ(FileText(exe), StandIn(dir.Path(), "old"));
}

TEST_F(UpdatePathsFixture, ThePatchProgramArrivesExecutableAndReplacesAnOlderOne) {
    WriteText(dir / "patcher", "old patcher", false);
    update.SavePatcher(AsBytes(std::string("#!/bin/sh\necho patched\n")));
    EXPECT_EQ(FileText(dir / "patcher"), "#!/bin/sh\necho patched\n");
    EXPECT_TRUE(IsExecutable(dir / "patcher"));
}

TEST(RestartScript, RunsOnlyOnceTheProcessThatStartedItHasEnded) {
    TempFolder dir;
    const std::string script = dir / "ReStart.sh";
    SaveShellScript(script, {"#!/bin/sh", "while read -r line; do :; done", "echo done > '" + dir.Path() + "done.txt'"});
    int release[2];
    ASSERT_EQ(::pipe(release), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(release[1]);
        try {
            StartRestartScript(script);
        } catch (...) {
            ::_exit(3);
        }
        char b;
        [[maybe_unused]] auto n = ::read(release[0], &b, 1);  // runs until the test lets it end
        ::_exit(0);
    }
    ::close(release[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(FileExists(dir / "done.txt")) << "the script ran while its starter was still running";
    ::close(release[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!FileExists(dir / "done.txt") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(FileExists(dir / "done.txt"));
}

}  // namespace
}  // namespace ordo
