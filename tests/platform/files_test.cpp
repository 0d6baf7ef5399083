#include "platform/files.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/errors.h"
#include "tests/support/temp_folder.h"

namespace ordo {
namespace {

namespace fs = std::filesystem;

using test::TempFolder;

TEST(ListFiles, MatchesTheMaskAndSortsWithoutRegardToCase) {
    TempFolder d;
    for (const char* n : {"b.txt", "A.TXT", "c.Txt", "a2.txt", "notes.doc", "txt", ".hidden.txt", "x.txt.bak"})
        d.Write(n, "x");
    fs::create_directory(d / "folder.txt");
    auto names = ListFiles(d.Path(), "*.txt");
    EXPECT_EQ(names, (std::vector<std::string>{"A.TXT", "a2.txt", "b.txt", "c.Txt"}));
    EXPECT_TRUE(ListFiles(d.Path(), "*.none").empty());
}

TEST(ListFiles, NamesEqualButForCaseKeepAFixedOrder) {
    TempFolder d;
    d.Write("q.txt", "");
    d.Write("Q.txt", "");
    EXPECT_EQ(ListFiles(d.Path(), "*.TXT"), (std::vector<std::string>{"Q.txt", "q.txt"}));
}

TEST(ListFiles, MissingFolderRaises) {
    TempFolder d;
    EXPECT_THROW(ListFiles(d / "absent", "*.txt"), EOSError);
}

TEST(MatchesMask, WildcardsAndCase) {
    EXPECT_TRUE(MatchesMask("Report.TXT", "*.txt"));
    EXPECT_TRUE(MatchesMask(".txt", "*.txt"));
    EXPECT_FALSE(MatchesMask("report.txt1", "*.txt"));
    EXPECT_TRUE(MatchesMask("a.b.txt", "*.txt"));
    EXPECT_TRUE(MatchesMask("ab", "a?"));
    EXPECT_FALSE(MatchesMask("a", "a?"));
    EXPECT_TRUE(MatchesMask("anything", "*"));
    EXPECT_TRUE(MatchesMask("abcbcd", "a*bcd"));
    EXPECT_FALSE(MatchesMask("abcbce", "a*bcd"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_FALSE(MatchesMask("", "?"));
}

TEST(LoadTextFile, EveryLineEndsWithCrLf) {
    TempFolder d;
    d.Write("lf.txt", "UPDATE T\nSET A = 1\n");
    d.Write("crlf.txt", "UPDATE T\r\nSET A = 1");
    d.Write("cr.txt", "one\rtwo\r\rfour");
    d.Write("empty.txt", "");
    d.Write("blank.txt", "\n");
    EXPECT_EQ(LoadTextFile(d.Path() + "lf.txt"), "UPDATE T\r\nSET A = 1\r\n");
    EXPECT_EQ(LoadTextFile(d.Path() + "crlf.txt"), "UPDATE T\r\nSET A = 1\r\n");
    EXPECT_EQ(LoadTextFile(d.Path() + "cr.txt"), "one\r\ntwo\r\n\r\nfour\r\n");
    EXPECT_EQ(LoadTextFile(d.Path() + "empty.txt"), "");
    EXPECT_EQ(LoadTextFile(d.Path() + "blank.txt"), "\r\n");
    EXPECT_EQ(LoadTextLines(d.Path() + "cr.txt").size(), 4u);
    EXPECT_THROW(LoadTextFile(d.Path() + "absent.txt"), EOSError);
}

TEST(LoadTextFile, KeepsBytesAsTheyAre) {
    TempFolder d;
    const std::string cp949 = "\xC4\xF5\xB8\xAE";  // Korean in code page 949
    d.Write("k.txt", cp949 + std::string("\0z", 2));
    EXPECT_EQ(LoadTextFile(d.Path() + "k.txt"), cp949 + std::string("\0z\r\n", 4));
}

TEST(Files, WriteDeleteAndFolders) {
    TempFolder d;
    std::string nested = d.Path() + "a/b/c";
    EXPECT_TRUE(ForceDirectories(nested));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_TRUE(ForceDirectories(nested + "/"));
    std::string file = nested + "/f.bin";
    WriteFileBytes(file, AsBytes("first"));
    WriteFileBytes(file, AsBytes("2nd"));
    EXPECT_EQ(ToString(ReadFileBytes(file)), "2nd");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(nested)) << "a folder is not a file";
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_FALSE(ForceDirectories(""));

    SaveTextLines(d.Path() + "r.bat", {"echo one", "", "del r.bat"});
    EXPECT_EQ(ToString(ReadFileBytes(d.Path() + "r.bat")), "echo one\r\n\r\ndel r.bat\r\n");
}

TEST(TAppendFile, AppendsAndCountsAndReplacesAnOldFile) {
    TempFolder d;
    std::string path = d.Path() + "seg.dat";
    d.Write("seg.dat", "old content");
    TAppendFile f;
    EXPECT_THROW(f.Append(AsBytes("x")), EOSError);
    f.Create(path);
    f.Append(AsBytes("abc"));
    f.Append(AsBytes("de"));
    EXPECT_EQ(f.Size(), 5);
    TAppendFile moved = std::move(f);
    EXPECT_FALSE(f.IsOpen());
    moved.Append(AsBytes("f"));
    moved.Close();
    EXPECT_EQ(ToString(ReadFileBytes(path)), "abcdef");
    EXPECT_THROW(TAppendFile().Create(d.Path() + "no/such/dir/x"), EOSError);
}

TEST(Paths, SeparatorsAndParts) {
    EXPECT_EQ(ToNativePath("temp\\FQ\\a.txt"), "temp/FQ/a.txt");
    EXPECT_EQ(ExtractFileName("/opt/app/fqreplay"), "fqreplay");
    EXPECT_EQ(ExtractFileName("C:\\app\\x.exe"), "x.exe");
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(ExtractFilePath("/opt/app/fqreplay"), "/opt/app/");
    EXPECT_EQ(ExtractFilePath("plain"), "");
}

}  // namespace
}  // namespace ordo
