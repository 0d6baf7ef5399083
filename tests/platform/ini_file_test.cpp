#include "core/ini_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace ordo {
namespace {

constexpr const char* kEnvironment =
    "; written by the installer\r\n"
    "[SYSTEM]\r\n"
    "SvrIP = 10.1.2.3 \r\n"
    "SvrNM=\"server01\"\r\n"
    "DBDSPort='31A4,0B'\r\n"
    "Empty=\r\n"
    "Inner=a \"quoted\" word\r\n"
    "[SysSetup]\n"
    "dmgid=GRP-07\n"
    "[SYSTEM]\n"
    "SvrIP=second section is not read\n";

TEST(ReadProfileText, FindsKeysWithoutRegardToCaseAndTrimsBlanks) {
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "SvrIP", ""), "10.1.2.3");
    EXPECT_EQ(ReadProfileText(kEnvironment, "system", "SVRIP", ""), "10.1.2.3");
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSSETUP", "DMGID", ""), "GRP-07") << "LF-only lines";
}

TEST(ReadProfileText, StripsOnlyAMatchingPairOfSurroundingQuotes) {
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "SvrNM", ""), "server01");
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "DBDSPort", ""), "31A4,0B");
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "Inner", ""), "a \"quoted\" word");
    EXPECT_EQ(ReadProfileText("[S]\nK=\"open\n", "S", "K", ""), "\"open");
    EXPECT_EQ(ReadProfileText("[S]\nK=\"\n", "S", "K", ""), "\"");
}

TEST(ReadProfileText, MissingSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "Nope", "dflt"), "dflt");
    EXPECT_EQ(ReadProfileText(kEnvironment, "OTHER", "SvrIP", "dflt"), "dflt");
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "Empty", "dflt"), "") << "present but empty is not missing";
    EXPECT_EQ(ReadProfileText(kEnvironment, "SYSTEM", "Nope", "dflt  "), "dflt") << "trailing blanks of the default go";
    EXPECT_EQ(ReadProfileText("SvrIP=1.2.3.4\n[SYSTEM]\n", "SYSTEM", "SvrIP", "d"), "d")
        << "keys before any section belong to none";
}

TEST(ReadProfileText, FirstMatchingSectionAndKeyWin) {
    EXPECT_EQ(ReadProfileText("[A]\nk=1\nk=2\n[A]\nk=3\n", "A", "k", ""), "1");
    EXPECT_EQ(ReadProfileText("[A]\n[A]\nk=3\n", "A", "k", "d"), "d");
}

TEST(ReadProfileText, DeliversAtMostBufferSizeLessOneCharacters) {
    std::string longValue(300, 'x');
    std::string ini = "[S]\nK=" + longValue + "\n";
    EXPECT_EQ(ReadProfileText(ini, "S", "K", "").size(), 254u);
    EXPECT_EQ(ReadProfileText(ini, "S", "K", "", 11), std::string(10, 'x'));
    EXPECT_EQ(ReadProfileText(ini, "S", "K", "", 0), "");
    EXPECT_EQ(ReadProfileText(ini, "S", "Missing", std::string(400, 'd')).size(), 254u);
}

TEST(ReadProfileText, ToleratesOddLines) {
    const char* ini = "\xEF\xBB\xBF[S]\r\n  [ T ]  \r\nno equals sign\r\n=orphan\r\nk = v = w\r\n\r\n";
    EXPECT_EQ(ReadProfileText(ini, "T", "k", ""), "v = w");
    EXPECT_EQ(ReadProfileText(ini, "T", "no equals sign", "d"), "d");
    EXPECT_EQ(ReadProfileText("[S]\rK=cr only\r", "S", "K", ""), "cr only");
    EXPECT_EQ(ReadProfileText("[S]\nK=last line without break", "S", "K", ""), "last line without break");
    EXPECT_EQ(ReadProfileText("[S]\nK=한글 값\n", "S", "K", ""), "한글 값");
}

TEST(GetPrivateProfileString, ReadsAFileAndDefaultsWhenItIsMissing) {
    std::string path = testing::TempDir() + "ini_test_" + std::to_string(getpid()) + ".ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << kEnvironment;
    }
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "", path), "10.1.2.3");
    std::remove(path.c_str());
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "none", path), "none");
    EXPECT_EQ(GetPrivateProfileString("SYSTEM", "SvrIP", "", path), "");
}

// The file is asked again before every statement; whatever way it changes between two questions, the
// second answer is the file as it stands then.
TEST(GetPrivateProfileString, EveryAnswerFollowsTheFileAsItStands) {
    const std::string dir = testing::TempDir() + "ini_follow_" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "Environment.ini", other = dir + "Other.ini";
    const auto write = [](const std::string& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    };
    const auto ask = [&](const std::string& file) { return GetPrivateProfileString("SYSSETUP", "DMGID", "-", file); };
    write(path, "[SYSSETUP]\r\nDMGID=A1\r\n");
    write(other, "[SYSSETUP]\r\nDMGID=OTHER\r\n");
    EXPECT_EQ(ask(path), "A1");
    EXPECT_EQ(ask(path), "A1");
    EXPECT_EQ(ask(other), "OTHER");  // another file is not answered from the first
    EXPECT_EQ(ask(path), "A1");
    write(path, "[SYSSETUP]\r\nDMGID=LONGER\r\n");  // rewritten in place
    EXPECT_EQ(ask(path), "LONGER");
    write(dir + "new.ini", "[SYSSETUP]\r\nDMGID=SWAP01\r\n");  // replaced by another file of the same size
    std::filesystem::rename(dir + "new.ini", path);
    EXPECT_EQ(ask(path), "SWAP01");
    std::filesystem::remove(path);
    EXPECT_EQ(ask(path), "-");
    write(path, "[SYSSETUP]\r\nDMGID=BACK\r\n");
    EXPECT_EQ(ask(path), "BACK");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ordo
