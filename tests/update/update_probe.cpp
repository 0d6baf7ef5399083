// A small client program for the update test. At every start it appends a line to its record
// file: its pid, whether it is the pushed build (a marker at the end of its own file), whether
// the program recorded before it has ended, and its arguments. The old build then logs in, so
// that the server pushes the update, and runs until the socket ends it; the new build stops
// right after recording.
//
//   update_probe --record FILE --port N [--linger-ms N] [any further arguments]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/client_socket.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "ui/ui.h"
#include "update/socket_update.h"
#include "update_probe_marker.h"

namespace {

std::string Hex(const std::string& text) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool IsNewBuild() {
    ordo::Bytes self = ordo::ReadFileBytes("/proc/self/exe");
    const std::string marker = ordo::test::kNewBuildMarker;
    return self.size() >= marker.size() &&
           std::equal(marker.begin(), marker.end(), self.end() - static_cast<std::ptrdiff_t>(marker.size()));
}

/// "yes" when the process of the last "start" line is gone or a zombie, "no" while it runs.
std::string PreviousEnded(const std::string& recordFile) {
    std::ifstream in(recordFile);
    std::string line, pid;
    while (std::getline(in, line))
        if (line.rfind("start pid=", 0) == 0) pid = line.substr(10, line.find(' ', 10) - 10);
    if (pid.empty()) return "none";
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    auto paren = text.rfind(')');
    if (text.empty() || paren == std::string::npos || paren + 2 >= text.size()) return "yes";
    char state = text[paren + 2];
    return state == 'Z' || state == 'X' ? "yes" : "no";
}

void Append(const std::string& recordFile, const std::string& line) {
    std::ofstream out(recordFile, std::ios::app);
    out << line << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string record;
    int port = 0;
    int lingerMs = 0;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--record") record = args[i + 1];
        if (args[i] == "--port") port = std::stoi(args[i + 1]);
        if (args[i] == "--linger-ms") lingerMs = std::stoi(args[i + 1]);
    }
    if (record.empty() || port == 0) {
        std::cerr << "usage: update_probe --record FILE --port N [--linger-ms N] ...\n";
        return 2;
    }
    const bool isNew = IsNewBuild();
    std::string encoded;
    for (const auto& a : args) encoded += (encoded.empty() ? "" : ",") + Hex(a);
    Append(record, "start pid=" + std::to_string(::getpid()) + " new=" + (isNew ? "1" : "0") +
                       " previous-ended=" + PreviousEnded(record) + " args=" + encoded);
    if (isNew) return 0;

    auto ui = ordo::CreateHeadlessUi(std::cerr, nullptr, false, false);
    ordo::TOrdoClientSocket socket;
    socket.SetUi(ui.get());
    ordo::AttachClientUpdate(socket);
    socket.SetConnectAction(ordo::caNone);
    socket.SetAddress("127.0.0.1");
    socket.SetPort(port);
    socket.Open();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool quit = false;
    while (!quit && std::chrono::steady_clock::now() < deadline) {
        ordo::WaitMessage(100);
        quit = !ordo::ProcessMessages();
    }
    Append(record, "end pid=" + std::to_string(::getpid()) + (quit ? " quit" : " timeout"));
    // Still running for a while after the end was asked: a restart that did not wait shows.
    std::this_thread::sleep_for(std::chrono::milliseconds(lingerMs));
    return quit ? 0 : 1;
}
