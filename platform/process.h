#pragma once
// The running process: where its executable is, how it was started, starting other programs,
// and termination signals delivered to the main loop.
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

/// While alive, SIGINT and SIGTERM no longer kill the process: each one runs `onSignal(signo)`
/// on the thread that created this object, from inside its message loop. One at a time.
class TTerminationSignals {
public:
    explicit TTerminationSignals(std::function<void(int signo)> onSignal);
    ~TTerminationSignals();
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

private:
    void Drain();
    std::function<void(int)> onSignal_;
    int readFd_ = -1;
    int writeFd_ = -1;
};

}  // namespace ordo
