// The settings checked before the program waits for a connection, and the README's sample Environment.ini, which
// must work when copied as it stands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/config_check.h"
#include "app/file_identity.h"
#include "app/server_address.h"
#include "core/errors.h"
#include "tests/support/scramble_port.h"

namespace ordo {
namespace {

namespace fs = std::filesystem;

struct ConfigFixture : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("fq-config-" + std::to_string(std::random_device{}()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    [[nodiscard]] std::string Folder() const { return dir.string() + "/"; }
    void Ini(const std::string& text) { std::ofstream(dir / "Environment.ini", std::ios::binary) << text; }
    void System(const std::string& body) { Ini("[SYSTEM]\r\n" + body); }
};

TEST(DecodeConfiguredPort, TakesTheFirstFieldAndReadsItAsANumber) {
    EXPECT_EQ(DecodeConfiguredPort(test::ScramblePortText("3050")), 3050);
    EXPECT_EQ(DecodeConfiguredPort("  " + test::ScramblePortText("3050") + " , 1234"), 3050);
    EXPECT_EQ(DecodeConfiguredPort("ZZ"), -1);  // a pair that is not hexadecimal
    EXPECT_THROW((void)DecodeConfiguredPort(test::ScramblePortText("ab")), EConvertError);
    EXPECT_THROW((void)DecodeConfiguredPort(""), EConvertError);
}

TEST_F(ConfigFixture, AWorkingConfigurationHasNoProblem) {
    const std::string port = test::ScramblePortText("3050");
    for (const char* address : {"SvrIP=10.1.2.3\r\n", "SvrIP=\r\nSvrNM=server1\r\n", "SvrIP=server\r\n"}) {
        SCOPED_TRACE(address);
        System(std::string(address) + "DBDSPort=" + port + "\r\n");
        EXPECT_EQ(ConfigurationProblem(Folder()), std::nullopt);
    }
}

TEST_F(ConfigFixture, EachProblemNamesTheFileAndTheKey) {
    const std::string file = Folder() + "Environment.ini";
    auto problem = [&] { return ConfigurationProblem(Folder()).value_or("(none)"); };

    EXPECT_EQ(problem().rfind(file + ": not found", 0), 0u) << problem();
    // A file that is there but cannot be read says the system's reason, not that its keys are missing.
    std::filesystem::create_directory(file);
    EXPECT_EQ(problem(), file + ": cannot be read: Is a directory");
    std::filesystem::remove(file);

    const std::string port = test::ScramblePortText("3050");
    for (const char* names : {"", "SvrNM=\r\n", "SvrNM=Null\r\n"}) {
        System(std::string("SvrIP=\r\n") + names + "DBDSPort=" + port + "\r\n");
        EXPECT_EQ(problem(), file + ": neither [SYSTEM] SvrIP nor SvrNM is set");
    }
    for (const std::string& bad : {std::string(), std::string("ZZ"), test::ScramblePortText("abc"),
                                   test::ScramblePortText("0"), test::ScramblePortText("65536"),
                                   test::ScramblePortText("-5"), port + " ; the port"}) {
        SCOPED_TRACE(bad);
        System("SvrIP=127.0.0.1\r\nDBDSPort=" + bad + "\r\n");
        EXPECT_EQ(problem(), file + ": [SYSTEM] DBDSPort \"" + bad + "\" does not decode to a port");
    }
    System("SvrIP=10.1.2.3\r\nDBDSPort=" + port + "\r\n[FQREPLAY]\r\nExactlyOnce=yes\r\n");
    EXPECT_EQ(problem(), file + ": [FQREPLAY] ExactlyOnce \"yes\" is neither 0 nor 1");
}

/// The first ```ini block of the README, as a user would copy it.
std::string ReadmeSample() {
    std::ifstream in(ORDO_README);
    std::string line, block;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!inside && line == "```ini") {
            inside = true;
        } else if (inside && line == "```") {
            return block;
        } else if (inside) {
            block += line + "\n";
        }
    }
    return {};
}

TEST_F(ConfigFixture, TheReadmesSampleWorksAsCopied) {
    const std::string sample = ReadmeSample();
    ASSERT_FALSE(sample.empty()) << "no ```ini block in " << ORDO_README;
    Ini(sample);
    EXPECT_EQ(ConfigurationProblem(Folder()), std::nullopt);
    auto value = [&](const char* section, const char* key) {
        return ReadEnvValue(Folder(), kEnvFileName, section, key);
    };
    const std::string address = value("SYSTEM", "SvrIP");
    EXPECT_TRUE(IsDottedNumber(address)) << address;
    EXPECT_EQ(value("SYSTEM", "SvrNM"), "");
    EXPECT_EQ(DecodeConfiguredPort(value("SYSTEM", "DBDSPort")), 55200);
    const std::string dmgid = value("SYSSETUP", "DMGID");
    EXPECT_FALSE(dmgid.empty());
    EXPECT_EQ(dmgid.find_first_of("; \t"), std::string::npos) << "a comment became part of DMGID: " << dmgid;
    EXPECT_TRUE(ReadExactlyOnce(Folder()));
}

}  // namespace
}  // namespace ordo
