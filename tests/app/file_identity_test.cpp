// A queued file's identity: its key, the coded parameter list that carries it, and the ExactlyOnce setting.
#include <gtest/gtest.h>

#include <set>

#include "app/file_identity.h"
#include "codec/message_codes.h"
#include "core/errors.h"
#include "tests/support/temp_folder.h"

namespace ordo {
namespace {

const std::string kContent = "UPDATE BAS_MCBUYER SET CURRMISU = 1 WHERE BUYERCD = 'B1'\r\n";
constexpr std::int64_t kModified = 1'700'000'000'123'456'789;

TReplayIdentity Base() { return FileIdentity("SHOP01", "Q0001.txt", 58, kModified, kContent); }

TEST(FileIdentity, TheKeyIsStableAndEveryPartChangesIt) {
    // Pinned: a key that changed between two builds would run every file left from a lost reply again.
    // Computed independently with Python's hashlib over the netstrings of the parts.
    EXPECT_EQ(Base().key, "43eb1dd157cc5a129e0fd11049fe7cbadaf35add08234b961dc1519ff01849aa");
    EXPECT_EQ(Base().contentHash, "27d83d9b48b043623f6c9b5e4501f4e8ede2c97561d0bd6aa515afa2154d8cf7");
    EXPECT_EQ(Base().key, FileIdentity("SHOP01", "Q0001.txt", 58, kModified, kContent).key);

    const TReplayIdentity variants[] = {
        FileIdentity("SHOP02", "Q0001.txt", 58, kModified, kContent),
        FileIdentity("SHOP01", "Q0002.txt", 58, kModified, kContent),
        FileIdentity("SHOP01", "Q0001.txt", 59, kModified, kContent),
        FileIdentity("SHOP01", "Q0001.txt", 58, kModified + 1, kContent),  // queued again later, same text
        FileIdentity("SHOP01", "Q0001.txt", 58, kModified, kContent + " "),
        // Parts that would run together into the same bytes if they were simply joined.
        FileIdentity("SHOP0", "1Q0001.txt", 58, kModified, kContent),
    };
    std::set<std::string> keys{Base().key};
    for (const TReplayIdentity& v : variants) {
        EXPECT_EQ(v.key.size(), 64u);
        EXPECT_TRUE(keys.insert(v.key).second) << v.installation << " " << v.fileName << " " << v.fileSize;
    }
}

TEST(ReplayIdentityLine, IsACodedListThatAwaitsNoReplyAndReadsBack) {
    const TReplayIdentity id = Base();
    TOrdoStringLine line = ReplayIdentityLine(id);
    const Bytes bytes = line.EncodeToText();
    ASSERT_GT(bytes.size(), 50u);
    EXPECT_EQ(bytes[0], mcCodedParamList);
    EXPECT_EQ(Bytes(bytes.begin() + 1, bytes.begin() + 5), Bytes(4, 0));  // data set 0
    EXPECT_EQ(std::string(bytes.begin() + 50, bytes.begin() + 56), "-75290");

    TOrdoStringLine back;
    back.DecodeFromText(bytes);
    EXPECT_EQ(back.ReadInteger(), kReplayIdentityCode);
    const TReplayIdentity read = LoadReplayIdentity(back.ReadBytes());
    EXPECT_EQ(back.ReadInteger(), 0);  // the wait flag
    EXPECT_EQ(read.key, id.key);
    EXPECT_EQ(read.installation, "SHOP01");
    EXPECT_EQ(read.fileName, "Q0001.txt");
    EXPECT_EQ(read.fileSize, 58);
    EXPECT_EQ(read.fileTime, kModified);
    EXPECT_EQ(read.contentHash, id.contentHash);
}

TEST(ReplayIdentityLine, AListWithoutAUsableKeyIsRefused) {
    TReplayIdentity id = Base();
    const std::string good = id.key;
    for (const std::string& key : {std::string(), good.substr(1), good.substr(1) + "g"}) {
        id.key = key;
        EXPECT_THROW((void)LoadReplayIdentity(SaveReplayIdentity(id)), EOrdoProtocolError) << key;
    }
    id.key = std::string(64, 'A');
    EXPECT_EQ(LoadReplayIdentity(SaveReplayIdentity(id)).key, std::string(64, 'a'));
}

TEST(ReadExactlyOnce, OnlyOneTurnsItOnAndAnUnknownValueIsAnError) {
    struct Case {
        const char* ini;
        int expected;  // 1 on, 0 off, -1 an error naming the key
    };
    const Case cases[] = {
        {"[SYSTEM]\r\nSvrIP=1.2.3.4\r\n", 0},
        {"[FQREPLAY]\r\nExactlyOnce=1\r\n", 1},
        {"[fqreplay]\r\n  exactlyonce = 1 \r\n", 1},
        {"[FQREPLAY]\r\nExactlyOnce=0\r\n", 0},
        {"[FQREPLAY]\r\nExactlyOnce=\r\n", 0},
        {"[FQREPLAY]\r\nExactlyOnce=yes\r\n", -1},
    };
    const test::TempFolder dir("ordo-identity");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        dir.Write("Environment.ini", c.ini);
        if (c.expected < 0) {
            EXPECT_THROW((void)ReadExactlyOnce(dir.Path()), EConvertError);  // its text: config_check_test
        } else {
            EXPECT_EQ(ReadExactlyOnce(dir.Path()), c.expected == 1);
        }
    }
}

}  // namespace
}  // namespace ordo
