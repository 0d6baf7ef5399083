// Files, INI profiles, host names and the process on the Win32 API.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/errors.h"
#include "core/ini_file.h"
#include "platform/files.h"
#include "platform/net_info.h"
#include "platform/process.h"
#include "platform/win32/windows_api.h"
#include "tests/support/temp_folder.h"

namespace ordo {
namespace {

// A fresh folder under the system's temporary folder for each test, in Windows' own spelling.
class InTempFolder : public ::testing::Test {
protected:
    test::TempFolder dir_{"ordo-win32"};
    std::string folder_ = ToNativePath(dir_.Path());
};

using Win32Files = InTempFolder;

TEST_F(Win32Files, ListingMatchesTheWholeNameAndSortsWithoutCase) {
    for (const char* name : {"b.txt", "A.TXT", "c.txt1", "d.tx", "e.log"}) WriteFileBytes(folder_ + name, AsBytes("x"));
    ForceDirectories(folder_ + "sub.txt");
    // "*.txt" must not catch "c.txt1", which a short-name match by the system would.
    EXPECT_EQ(ListFiles(folder_, "*.txt"), (std::vector<std::string>{"A.TXT", "b.txt"}));
    EXPECT_EQ(ListFiles(folder_, "?.tx"), (std::vector<std::string>{"d.tx"}));
    ::RemoveDirectoryA((folder_ + "sub.txt").c_str());
    EXPECT_THROW(ListFiles(folder_ + "missing", "*"), EOSError);
    EXPECT_TRUE(ListFiles(folder_, "*.none").empty());
}

TEST_F(Win32Files, HiddenAndSystemFilesStayOutByAttributeNotByName) {
    for (const char* name : {"a.txt", ".dot.txt", "hidden.txt", "system.txt"}) WriteFileBytes(folder_ + name, AsBytes("x"));
    ::SetFileAttributesA((folder_ + "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::SetFileAttributesA((folder_ + "system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    // A leading dot alone hides nothing on Windows; Wine marks such names hidden by attribute itself.
    const bool dotHidden = (::GetFileAttributesA((folder_ + ".dot.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
    const std::vector<std::string> expected =
        dotHidden ? std::vector<std::string>{"a.txt"} : std::vector<std::string>{".dot.txt", "a.txt"};
    EXPECT_EQ(ListFiles(folder_, "*.txt"), expected);
    for (const char* name : {"hidden.txt", "system.txt", ".dot.txt"}) {
        ::SetFileAttributesA((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFile(folder_ + name);
    }
}

TEST_F(Win32Files, BytesTravelUnchanged) {
    // No text-mode translation: CR LF, a lone LF, a NUL and 0x1A (the old end-of-file mark) stay.
    const std::string raw("a\r\nb\nc\0d\x1A" "e", 10);
    WriteFileBytes(folder_ + "raw.bin", AsBytes(raw));
    EXPECT_EQ(ToString(ReadFileBytes(folder_ + "raw.bin")), raw);
    EXPECT_EQ(LoadTextLines(folder_ + "raw.bin").size(), 3u);
    TAppendFile f;
    f.Create(folder_ + "append.bin");
    f.Append(AsBytes("12"));
    f.Append(AsBytes("345"));
    EXPECT_EQ(f.Size(), 5);
    f.Close();
    EXPECT_EQ(ToString(ReadFileBytes(folder_ + "append.bin")), "12345");
    EXPECT_THROW(f.Append(AsBytes("x")), EOSError);
}

TEST_F(Win32Files, FoldersAreCreatedWithTheirParentsAndFilesDeleted) {
    const std::string deep = folder_ + "one\\two/three";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_FALSE(FileExists(deep));
    WriteFileBytes(deep + "/f.txt", AsBytes("y"));
    EXPECT_TRUE(FileExists(deep + "/f.txt"));
    EXPECT_TRUE(DeleteFile(deep + "/f.txt"));
    EXPECT_FALSE(DeleteFile(deep + "/f.txt"));
    EXPECT_THROW(ReadFileBytes(deep + "/f.txt"), EOSError);
    for (const char* d : {"/one/two/three", "/one/two", "/one"}) ::RemoveDirectoryA((folder_ + d).c_str());
}

using Win32Profile = InTempFolder;

TEST_F(Win32Profile, TheSystemReadsTheIniFile) {
    const std::string ini = folder_ + "Environment.ini";
    SaveTextLines(ini, {"[SYSTEM]", "SvrIP = 10.1.2.3 ", "SvrNM=\"server one\"", "[system]", "SvrIP=9.9.9.9",
                        "[SYSSETUP]", "DMGID=0042"});
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "", ini), "10.1.2.3");
    EXPECT_EQ(GetPrivateProfileString("system", "svrnm", "", ini), "server one");
    EXPECT_EQ(GetPrivateProfileString("SYSSETUP", "DMGID", "", ini), "0042");
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "DBDSPort", "none", ini), "none");
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "gone", folder_ + "missing.ini"), "gone");
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "", ini, 5), "10.1");
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "", ini, 0), "");
}

TEST_F(Win32Profile, ARelativeNameMeansTheCurrentFolder) {
    SaveTextLines(folder_ + "rel.ini", {"[A]", "k=here"});
    char old[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(::SetCurrentDirectoryA(folder_.c_str()));
    std::string value = GetPrivateProfileString("A", "k", "", "rel.ini");
    ::SetCurrentDirectoryA(old);
    EXPECT_EQ(value, "here");
}

TEST(Win32Process, TheExecutableAndItsCommandLine) {
    const std::string exe = ExeFileName();
    EXPECT_TRUE(FileExists(exe));
    EXPECT_EQ(exe.find('\\'), std::string::npos);
    EXPECT_EQ(ExeFolder().back(), '/');
    EXPECT_EQ(ExtractFilePath(exe), ExeFolder());
    EXPECT_EQ(CommandLine(), std::string(::GetCommandLineA()));
    auto args = CommandLineArgs();
    ASSERT_FALSE(args.empty());
    EXPECT_NE(ToNativePath(args[0]).find("win32_platform_test"), std::string::npos) << args[0];
    EXPECT_EQ(CurrentProcessId(), static_cast<int>(::GetCurrentProcessId()));
}

TEST(Win32Process, StartDetachedRefusesWhatCannotStart) {
    EXPECT_FALSE(StartDetached({}));
    EXPECT_FALSE(StartDetached({"C:\\no\\such\\program.exe"}));
    EXPECT_THROW(MakeExecutable("C:\\no\\such\\file.exe"), EOSError);
}

TEST(Win32Names, HostNamesResolveThroughWinsock) {
    EXPECT_EQ(ResolveHostAddresses("127.0.0.1"), (std::vector<std::string>{"127.0.0.1"}));
    auto local = ResolveHostAddresses("localhost");
    EXPECT_NE(std::find(local.begin(), local.end(), "127.0.0.1"), local.end());
    EXPECT_TRUE(ResolveHostAddresses("").empty());
    EXPECT_TRUE(ResolveHostAddresses(std::string(300, 'a')).empty());
    EXPECT_FALSE(ResolveHostFirstAddress("no-such-host.invalid").has_value());
    EXPECT_FALSE(LocalHostName().empty());
}

TEST(Win32Names, ThePinnedNetworkStateWinsOverTheSystem) {
    OverrideNetworkState(false);
    EXPECT_FALSE(IsNetworkConnected());
    OverrideNetworkState(true);
    EXPECT_TRUE(IsNetworkConnected());
    OverrideNetworkState(std::nullopt);
}

}  // namespace
}  // namespace ordo
