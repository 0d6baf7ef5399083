// The restart scripts on Windows: command batch files for cmd.exe. The running program cannot be
// renamed until it has ended, so the plain batch retries the rename; it waits a second between
// tries instead of spinning, and gives up after two minutes by starting the old build again, so
// a program that never lets go of its file does not leave a batch running for ever.
//
// Every name is a full path and the batch first changes to the program's folder: a batch started
// from another current folder would otherwise rename files that are not there, and retry for ever.
#include <string>
#include <vector>

#include "update/client_update.h"

namespace ordo {
namespace {

constexpr int kRenameTries = 120;

std::string Backslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// In a batch line a single '%' starts a variable; the program's own text keeps its percent signs.
std::string BatchText(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%') out += '%';
    }
    return out;
}

// An argument of a batch file line that cmd.exe runs: quoted as the C runtime splits it back
// (QuoteCommandLineArgument's rule), and quoted also when cmd.exe would read its
// characters as operators (& | < > ^ and parentheses).
std::string QuoteBatchArgument(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"&|<>^()") == std::string_view::npos) return std::string(arg);
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// Built by appending: GCC 12 for MinGW sees a false overlap in "text" + std::string&&.
std::string Quoted(const std::string& path) {
    std::string out = "\"";
    out += BatchText(Backslashes(path));
    out += '"';
    return out;
}

/// The program started again as it was started: its file and the arguments it had.
std::string StartLine(const TOrdoProgramImage& program) {
    std::string line = "Call ";
    line += Quoted(program.exeFileName);
    for (const auto& arg : program.args) {
        line += ' ';
        line += BatchText(QuoteBatchArgument(arg));
    }
    return line;
}

std::string FolderLine(const TOrdoProgramImage& program) {
    std::string folder = Backslashes(program.Folder());
    if (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    return "cd /d \"" + BatchText(folder) + "\"";
}

}  // namespace

std::vector<std::string> PlainRestartLines(const TOrdoProgramImage& program) {
    const std::string name = program.Name();
    const std::string exe = Quoted(program.exeFileName);
    const std::string old = Quoted(program.exeFileName + kOldProgramSuffix);
    return {
        "@echo off",
        FolderLine(program),
        "set xTries=0",
        "DEL " + old,
        ":xRetry",
        "set /a xTries+=1",
        "ReName " + exe + " \"" + BatchText(name) + kOldProgramSuffix + "\"",
        "if exist " + old + " goto xSwap",
        "if %xTries% geq " + std::to_string(kRenameTries) + " goto xStart",
        "ping -n 2 127.0.0.1 >nul",
        "goto xRetry",
        ":xSwap",
        "Rename " + Quoted(program.Folder() + kUpdateTempName) + " \"" + BatchText(name) + "\"",
        // A new build that cannot be moved in must not leave the program missing.
        "if not exist " + exe + " Rename " + old + " \"" + BatchText(name) + "\"",
        ":xStart",
        StartLine(program),
        "Del " + Quoted(program.Folder() + kRestartScriptName),
    };
}

std::vector<std::string> PatchRestartLines(const TOrdoProgramImage& program, const std::string& patchFile) {
    // The patch program takes its paths glued to the switches, as it always has.
    return {
        "@echo off",
        FolderLine(program),
        Quoted(program.Folder() + kPatcherName) + " -p" + BatchText(Backslashes(patchFile)) + " -f" +
            BatchText(Backslashes(program.exeFileName)),
        StartLine(program),
        "Del " + Quoted(program.Folder() + kRestartScriptName),
    };
}

}  // namespace ordo
