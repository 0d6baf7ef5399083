// ordo-server's push options and the lines its pushes are made of.
#include <gtest/gtest.h>

#include <fstream>

#include "codec/message_codes.h"
#include "params/param_list.h"
#include "server/config/server_options.h"
#include "server/session/client_pushes.h"
#include "update_test_support.h"

namespace ordo::server {
namespace {

using test::TempFolder;

std::optional<ServerOptions> Parse(std::vector<std::string> args, int& exitCode) {
    args.insert(args.begin(), {"ordo-server", "--database", "/tmp/x.fdb"});
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto o = ParseServerOptions(static_cast<int>(argv.size()), argv.data(), exitCode);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return o;
}

TEST(PushOptions, TakeTheUpdateAndAnyNumberOfFilePairsThatExist) {
    TempFolder dir;
    for (const char* name : {"build", "a.dat", "b.dat"}) WriteFileBytes(dir / name, AsBytes(std::string("x")));
    int code = 0;
    auto o = Parse({"--push-update", dir / "build", "--push-file", dir / "a.dat", "a.dat", "--push-file", dir / "b.dat",
                    "conf\\b.dat"},
                   code);
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->pushUpdate, dir / "build");
    EXPECT_EQ(o->pushFiles, (std::vector<std::pair<std::string, std::string>>{{dir / "a.dat", "a.dat"},
                                                                              {dir / "b.dat", "conf\\b.dat"}}));
    auto none = Parse({}, code);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->pushUpdate.empty());
    EXPECT_TRUE(none->pushFiles.empty());
}

TEST(PushOptions, RefuseMissingFilesAndIncompletePairs) {
    TempFolder dir;
    WriteFileBytes(dir / "a.dat", AsBytes(std::string("x")));
    int code = 0;
    EXPECT_FALSE(Parse({"--push-update", dir / "missing"}, code).has_value());
    EXPECT_NE(code, 0);
    EXPECT_FALSE(Parse({"--push-file", dir / "missing", "x"}, code).has_value());
    EXPECT_FALSE(Parse({"--push-file", dir / "a.dat"}, code).has_value());
    EXPECT_FALSE(Parse({"--push-file", dir / "a.dat", ""}, code).has_value());
}

struct Sent {
    std::vector<TOrdoStringLine> lines;
    LineSender Sender() {
        return [this](TOrdoStringLine& line) {
            // As the client gets it: through the wire form.
            TOrdoStringLine copy;
            copy.DecodeFromText(line.EncodeToText());
            lines.push_back(std::move(copy));
        };
    }
};

TEST(FilePush, CutsTheFileIntoSegmentsOfTheGivenSizeAndMarksTheLast) {
    TempFolder dir;
    Bytes content(150'000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i % 253);
    WriteFileBytes(dir / "prices.bin", content);
    Sent sent;
    PushFileSegments(sent.Sender(), {dir / "prices.bin", "data\\prices.bin"}, 65536);
    ASSERT_EQ(sent.lines.size(), 3u);
    Bytes joined;
    std::vector<std::size_t> sizes;
    std::vector<bool> finished;
    for (auto& line : sent.lines) {
        ASSERT_EQ(line.Token(), mcCodedParamList);
        EXPECT_EQ(line.ReadInteger(), -75008);
        TOrdoParamList list = TOrdoParamList::CreateFromString(line.ReadBytes());
        EXPECT_EQ(line.ReadInteger(), 0);
        EXPECT_EQ(list.ParamByName("LocalFileName").AsString(), "data\\prices.bin");
        EXPECT_EQ(list.ParamByName("FileSize").AsLargeInt(), 150'000);
        const Bytes& data = list.ParamByName("Data").ValueBytes();
        sizes.push_back(data.size());
        joined.insert(joined.end(), data.begin(), data.end());
        finished.push_back(list.ParamByName("Finished").AsBoolean());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{65536, 65536, 150'000 - 2 * 65536}));
    EXPECT_EQ(finished, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(joined, content);
}

TEST(FilePush, AnEmptyFileIsOneFinishedSegmentAndAMissingOneRaises) {
    TempFolder dir;
    WriteFileBytes(dir / "empty", {});
    Sent sent;
    PushFileSegments(sent.Sender(), {dir / "empty", "empty"});
    ASSERT_EQ(sent.lines.size(), 1u);
    sent.lines[0].ReadInteger();
    TOrdoParamList list = TOrdoParamList::CreateFromString(sent.lines[0].ReadBytes());
    EXPECT_TRUE(list.ParamByName("Data").ValueBytes().empty());
    EXPECT_TRUE(list.ParamByName("Finished").AsBoolean());
    EXPECT_THROW(PushFileSegments(sent.Sender(), {dir / "gone", "gone"}), EOSError);
    EXPECT_EQ(sent.lines.size(), 1u);
}

TEST(UpdatePush, AnnouncesThenSendsTheProgramAsOneStream) {
    Sent sent;
    const Bytes program{0x7F, 'E', 'L', 'F', 0, 1, 2};
    PushUpdate(sent.Sender(), program);
    ASSERT_EQ(sent.lines.size(), 2u);
    EXPECT_EQ(sent.lines[0].Token(), mcUpdateBegin);
    EXPECT_EQ(sent.lines[0].ItemCount(), 0u);
    EXPECT_EQ(sent.lines[1].Token(), mcUpdateFile);
    EXPECT_EQ(sent.lines[1].ReadStream(), program);
}

}  // namespace
}  // namespace ordo::server
