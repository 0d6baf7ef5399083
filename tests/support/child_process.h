#pragma once
// A program the tests start and watch: ordo-server, copies of fqreplay, an updated client. Its
// standard input is /dev/null; its output goes to files or, for a line the test waits for, a pipe.
// A child still running when the object goes is killed, so a failed test leaves no process behind.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace ordo::test {

struct ChildProcessOptions {
    std::string stdoutPath = "/dev/null";
    std::string stderrPath = "/dev/null";
    /// Append to the output files (two outputs may name one file) instead of starting them empty.
    bool append = false;
    /// Standard output into a pipe that ReadLine reads; stdoutPath is then unused.
    bool pipeStdout = false;
};

/// The value of the environment variable `name`, else `builtIn`: the programs and scripts under
/// test are the build's own unless the environment names others.
std::string FromEnvironment(const char* name, const char* builtIn);

/// What a child wrote to an output file; empty when there is no such file.
std::string ReadOutput(const std::string& path);

class ChildProcess {
public:
    /// Starts argv[0] with the arguments after it; throws when it cannot be started.
    ChildProcess(std::vector<std::string> argv, const ChildProcessOptions& options = {});
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] pid_t Pid() const noexcept { return pid_; }
    [[nodiscard]] bool Running() const noexcept { return pid_ > 0; }

    void Signal(int signo);
    /// The exit status if the child has ended (128 + signal when a signal ended it), else nothing.
    std::optional<int> Poll();
    /// Waits for the end (`timeoutMs` < 0: for as long as it takes); -1 when it still runs then.
    int Wait(int timeoutMs);
    /// SIGKILL, as a crash or a power cut would end it; returns its exit status.
    int Kill();
    /// The last status an ended child gave, -1 before it ended.
    [[nodiscard]] int Status() const noexcept { return status_; }
    /// The child's peak resident memory in KiB, known once it ended.
    [[nodiscard]] long MaxResidentKiB() const noexcept { return maxRssKiB_; }

    /// The next line of the piped standard output, without its end; what came so far when the
    /// child closed its output or the time ran out.
    std::string ReadLine(int timeoutMs);

private:
    void CloseOutput() noexcept;

    pid_t pid_ = -1;
    int stdout_ = -1;
    int status_ = -1;
    long maxRssKiB_ = 0;
};

}  // namespace ordo::test
