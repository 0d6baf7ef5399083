#include "tests/support/replay_fixture.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "tests/support/scramble_port.h"

namespace ordo::test {

namespace fs = std::filesystem;

std::string ScramblePort(int port) { return ScramblePortText(std::to_string(port)); }

ReplayFixture::ReplayFixture(OrdoServerProcessOptions options) : server_(std::move(options)) {
    app_ = fs::path(server_.Folder()) / "app";
    fs::create_directories(app_ / "temp" / "FQ");
    fs::copy_file(Binary(), app_ / "fqreplay");
    WriteIni(server_.Port());
}

void ReplayFixture::WriteIni(int port, const std::string& dmgid) {
    std::ofstream(app_ / "Environment.ini") << "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nSvrNM=\r\nDBDSPort="
                                            << ScramblePort(port) << "\r\n[SYSSETUP]\r\nDMGID=" << dmgid << "\r\n";
}

void ReplayFixture::Put(const std::string& name, const std::string& text) {
    std::ofstream(Queue() / name, std::ios::binary) << text;
}

bool ReplayFixture::Has(const std::string& name) const { return fs::exists(Queue() / name); }

std::vector<std::string> ReplayFixture::Remaining() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Queue())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ReplayProcess ReplayFixture::Start(const std::vector<std::string>& args, const std::string& tag) {
    std::vector<std::string> argv{(app_ / "fqreplay").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcessOptions io;
    io.stdoutPath = OutPath(tag);
    io.stderrPath = ErrPath(tag);
    return ReplayProcess(std::move(argv), io);
}

std::string ReplayFixture::Stderr(const std::string& tag) const { return ReadOutput(ErrPath(tag)); }
std::string ReplayFixture::Stdout(const std::string& tag) const { return ReadOutput(OutPath(tag)); }

void ReplayFixture::Exec(const std::string& sql) {
    OrdoTestClient c(server_.Port());
    const OrdoReply r = c.Exec(sql);
    if (!r.Ok()) throw std::runtime_error("fixture statement failed: " + r.error + "\n" + sql);
}

DecodedRows ReplayFixture::Select(const std::string& sql) {
    OrdoTestClient c(server_.Port());
    const OrdoReply r = c.Select(sql);
    if (!r.Ok()) throw std::runtime_error("fixture query failed: " + r.error + "\n" + sql);
    return DecodedRows(r);
}

std::string ReplayFixture::Binary() { return FromEnvironment("ORDO_FQREPLAY_BINARY", ORDO_FQREPLAY_BINARY); }

std::string ReplayFixture::ErrPath(const std::string& tag) const {
    return (fs::path(server_.Folder()) / ("fqreplay" + tag + ".err")).string();
}

std::string ReplayFixture::OutPath(const std::string& tag) const {
    return (fs::path(server_.Folder()) / ("fqreplay" + tag + ".out")).string();
}

}  // namespace ordo::test
