// Files arriving in segments: joining, the event's numbers, refused names and failed writes.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <tuple>

#include "update/file_segments.h"
#include "params/param_list.h"
#include "update_test_support.h"

namespace ordo {
namespace {

using test::FileText;
using test::TempFolder;

TOrdoParamList Segment(const std::string& name, const std::string& data, std::int32_t fileSize, bool finished) {
    TOrdoParamList list;
    list.FastAdd("LocalFileName", Variant(name));
    TOrdoParamItem& d = list.Add();
    d.SetName("Data");
    d.SetAsBlob(AsBytes(data));
    list.Add().SetName("FileSize");
    list.ParamByName("FileSize").SetAsInteger(fileSize);
    list.Add().SetName("Finished");
    list.ParamByName("Finished").SetAsBoolean(finished);
    // Through the wire form, as a segment arrives.
    return TOrdoParamList::CreateFromString(list.SaveToString(false));
}

using Call = std::tuple<std::string, std::int64_t, std::int64_t, std::int64_t>;

struct SegmentsFixture : ::testing::Test {
    TOrdoFileSegments::ArriveEvent Recorder() {
        return [this](const std::string& name, std::int64_t seg, std::int64_t got, std::int64_t size) {
            calls.emplace_back(name, seg, got, size);
        };
    }
    void Arrive(const TOrdoParamList& segment) { segments.Arrive(segment, dir.Path(), Recorder()); }

    TempFolder dir;
    TOrdoFileSegments segments;
    std::vector<Call> calls;
};

TEST_F(SegmentsFixture, ThreeSegmentsBecomeOneFileWithGrowingCountsThenMinusOne) {
    Arrive(Segment("data\\prices.csv", "alpha,", 17, false));
    EXPECT_EQ(segments.OpenCount(), 1u);
    Arrive(Segment("data\\prices.csv", "beta,", 17, false));
    Arrive(Segment("data\\prices.csv", "gamma\n", 17, true));
    EXPECT_EQ(FileText(dir / "data/prices.csv"), "alpha,beta,gamma\n");
    EXPECT_EQ(segments.OpenCount(), 0u);
    EXPECT_EQ(calls, (std::vector<Call>{{"data\\prices.csv", 6, 6, 17},
                                        {"data\\prices.csv", 5, 11, 17},
                                        {"data\\prices.csv", 6, 17, 17},
                                        {"data\\prices.csv", -1, -1, -1}}));
}

TEST_F(SegmentsFixture, InterleavedFilesStayApartAndAFinishedNameStartsAFreshFile) {
    Arrive(Segment("a.txt", "A1", 4, false));
    Arrive(Segment("b.txt", "B1", 2, true));
    Arrive(Segment("a.txt", "A2", 4, true));
    EXPECT_EQ(FileText(dir / "a.txt"), "A1A2");
    EXPECT_EQ(FileText(dir / "b.txt"), "B1");
    Arrive(Segment("a.txt", "again", 5, true));  // a new transfer replaces the file
    EXPECT_EQ(FileText(dir / "a.txt"), "again");
}

TEST_F(SegmentsFixture, AnEmptyFinishedSegmentMakesAnEmptyFile) {
    Arrive(Segment("empty.dat", "", 0, true));
    EXPECT_TRUE(FileExists(dir / "empty.dat"));
    EXPECT_EQ(FileText(dir / "empty.dat"), "");
    EXPECT_EQ(calls, (std::vector<Call>{{"empty.dat", 0, 0, 0}, {"empty.dat", -1, -1, -1}}));
}

TEST_F(SegmentsFixture, NamesOutsideTheProgramsFolderAreRefusedAndNothingIsWritten) {
    for (const std::string& name : std::vector<std::string>{"/tmp/evil", "\\evil", "C:\\evil.exe", "c:evil", "../evil", "..\\evil", "sub/../../evil",
                             "sub/..", "..", "", "sub/", std::string("ok\0/../x", 8)}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(Arrive(Segment(name, "x", 1, true)), EOrdoFileSegmentError);
    }
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(segments.OpenCount(), 0u);
    EXPECT_TRUE(ListFiles(dir.Path(), "*").empty());
    EXPECT_FALSE(FileExists(dir.Path() + "../evil"));
    // Dots that climb nowhere are fine.
    Arrive(Segment("./sub/..name", "ok", 2, true));
    EXPECT_EQ(FileText(dir / "sub/..name"), "ok");
}

TEST(SegmentPath, ResolvesInsideTheFolderWithWindowsSeparators) {
    EXPECT_EQ(ResolveSegmentPath("a\\b\\c.txt", "/opt/shop/"), "/opt/shop/a/b/c.txt");
    EXPECT_EQ(ResolveSegmentPath("c.txt", "/opt/shop/"), "/opt/shop/c.txt");
    try {
        (void)ResolveSegmentPath("../x", "/opt/shop/");
        FAIL() << "no exception";
    } catch (const EOrdoFileSegmentError& e) {
        EXPECT_EQ(std::string(e.what()), "File segment name \"../x\" refused: it climbs out of the program's folder");
    }
}

/// Limits the size of files this process may write, for one test.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);  // a write past it fails instead of killing us
        rlimit l = saved;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    rlimit saved{};
    void (*previous)(int) = nullptr;
};

TEST_F(SegmentsFixture, AFileWithASegmentThatCouldNotBeWrittenIsNeverReportedComplete) {
    Arrive(Segment("big.bin", "0123456789", 30, false));
    {
        FileSizeLimit limit(12);
        EXPECT_THROW(Arrive(Segment("big.bin", "abcdefghij", 30, false)), EOSError);
    }
    // The next segment would follow a gap: it is dropped, and the last one removes the file.
    EXPECT_THROW(Arrive(Segment("big.bin", "klmnopqrst", 30, false)), EOrdoFileSegmentError);
    EXPECT_THROW(Arrive(Segment("big.bin", "uvwxyz", 30, true)), EOrdoFileSegmentError);
    EXPECT_FALSE(FileExists(dir / "big.bin"));
    EXPECT_EQ(segments.OpenCount(), 0u);
    for (const auto& c : calls) EXPECT_NE(std::get<1>(c), -1) << "reported complete";
    // A later transfer of the same name starts clean.
    Arrive(Segment("big.bin", "fresh", 5, true));
    EXPECT_EQ(FileText(dir / "big.bin"), "fresh");
}

TEST_F(SegmentsFixture, AFileWhoseFirstSegmentCouldNotBeCreatedIsNeverReportedComplete) {
    // A folder in the file's place: its creation fails, while later creations of the same name would not.
    ForceDirectories(dir / "late.bin");
    EXPECT_THROW(Arrive(Segment("late.bin", "head", 12, false)), EOSError);
    std::filesystem::remove(dir / "late.bin");
    EXPECT_THROW(Arrive(Segment("late.bin", "body", 12, false)), EOrdoFileSegmentError);
    EXPECT_THROW(Arrive(Segment("late.bin", "tail", 12, true)), EOrdoFileSegmentError);
    EXPECT_FALSE(FileExists(dir / "late.bin")) << "a file without its first segment";
    for (const auto& c : calls) EXPECT_NE(std::get<1>(c), -1) << "reported complete";
    EXPECT_EQ(segments.OpenCount(), 0u);
}

}  // namespace
}  // namespace ordo
