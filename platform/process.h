#pragma once
// The running process: where its executable is, how it was started, starting other programs
// (among them the script that starts it again once it has ended), and termination signals
// delivered to the main loop.
//
// Usage:
//   std::string exeFolder = ExeFolder();                       // ends with '/'
//   TTerminationSignals sig([&](int) { PostMessage(mainWindow, WM_CLOSE); });
#include <functional>
#include <string>
#include <vector>

namespace ordo {

/// The full path of the running executable (from /proc/self/exe).
std::string ExeFileName();
/// The folder of the running executable, with a trailing '/'.
std::string ExeFolder();
/// The process's command line as one text: arguments joined by blanks, those holding blanks or
/// quotes in double quotes.
std::string CommandLine();
/// The process's arguments, the program first.
std::vector<std::string> CommandLineArgs();

/// Starts a program detached from this one, its standard streams on /dev/null; true when it started.
bool StartDetached(const std::vector<std::string>& argv);

/// The id of this process.
int CurrentProcessId() noexcept;

/// Writes the lines, each ended by LF, replacing the file, and makes it executable for its
/// owner only. Throws EOSError.
void SaveShellScript(const std::string& path, const std::vector<std::string>& lines);
/// Starts `/bin/sh path` detached: a session of its own, no terminal, its output on /dev/null,
/// signal handling as in a fresh process. Its standard input is a pipe whose other end this
/// process keeps until it ends, so a script that reads standard input to its end waits exactly
/// until this process has exited (a pid could be reused, and a zombie still answers to one).
/// Throws EOSError when the script cannot be started.
void StartRestartScript(const std::string& path);
/// Adds the execute bits wherever the read bits are set. Throws EOSError.
void MakeExecutable(const std::string& path);

/// While alive, SIGINT, SIGTERM and SIGHUP (Windows: the console's break and close events) no longer kill the
/// process: each one runs `onSignal(signo)` on the thread that created this object, from inside its message
/// loop (a reply wait's included, on POSIX). One at a time.
class TTerminationSignals {
public:
    explicit TTerminationSignals(std::function<void(int signo)> onSignal);
    ~TTerminationSignals();
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;
    /// The signal's name as a user knows it ("SIGTERM").
    [[nodiscard]] static std::string Name(int signo);

private:
    void Drain();
    std::function<void(int)> onSignal_;
    int readFd_ = -1;
    int writeFd_ = -1;
};

}  // namespace ordo
