#include "app/command_line.h"

#include <algorithm>

#include <CLI/CLI.hpp>

namespace ordo {
namespace {

// A day: longer waits are a schedule's job, and the limit keeps the timer's milliseconds in range.
constexpr unsigned kLongestConnectTimeout = 86400;

constexpr std::string_view kUsage =
    "Usage: fqreplay [OPTION]...\n"
    "Replays, once, the database work that the sales suite queued as *.txt files\n"
    "in temp/FQ beside the program, through the middleware server that\n"
    "Environment.ini beside the program names; then ends. A file whose work the\n"
    "server confirmed is deleted; a file whose work failed stays for the next run.\n"
    "Without options the program tries to connect every 5 seconds until a\n"
    "connection comes up.\n"
    "\n"
    "Options:\n"
    "  --connect-timeout SECONDS  give up when no connection has come up within\n"
    "                             SECONDS (a whole number from 1 to 86400)\n"
    "  --reply-timeout SECONDS    give up on any one reply after SECONDS (1 to\n"
    "                             86400), queries included; without it a query\n"
    "                             waits for its reply without limit and other\n"
    "                             statements 30 seconds. A file whose reply did\n"
    "                             not come stays for the next run\n"
    "  --help                     print this text and exit\n"
    "  --version                  print the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0   the walk ran and the queue is empty\n"
    "  1   something will fail the same way again until someone acts: the server\n"
    "      refused a statement, a rebuild could not be computed, a file is empty,\n"
    "      cannot be read or deleted, or the queue folder is not writable; stderr\n"
    "      names the file and the reason\n"
    "  2   a usage or configuration error (no Environment.ini, a DBDSPort that is\n"
    "      not a port, neither SvrIP nor SvrNM set, an ExactlyOnce other than 0 or\n"
    "      1, no temp/FQ folder); nothing was sent\n"
    "  75  work is left that a later run may do by itself: no connection within\n"
    "      --connect-timeout, the connection was lost, a reply did not come in\n"
    "      time, the database was busy, another copy holds the queue, a file was\n"
    "      rewritten while its work ran, or a signal stopped the run\n"
    "\n"
    "SIGTERM, SIGINT and SIGHUP let the statement in flight finish (its reply is\n"
    "awaited up to its time limit), then stop before the next file; a second\n"
    "signal stops at once.\n"
    "\n"
    "Messages go to stderr, one line each; nothing is written to a log file.\n";

}  // namespace

std::variant<TCommandLine, TUsageError> ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine result;
    CLI::App app{"", "fqreplay"};
    app.set_help_flag();  // the usage text is our own, printed by main
    app.add_flag("--help", result.help);
    app.add_flag("--version", result.version);
    unsigned seconds = 0;
    CLI::Option* timeout = app.add_option("--connect-timeout", seconds)
                               ->type_name("SECONDS")
                               ->check(CLI::Range(1u, kLongestConnectTimeout));
    unsigned replySeconds = 0;
    CLI::Option* reply = app.add_option("--reply-timeout", replySeconds)
                             ->type_name("SECONDS")
                             ->check(CLI::Range(1u, kLongestConnectTimeout));
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // the parser takes them last first
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return TUsageError{e.what()};
    }
    if (timeout->count() > 0) result.connectTimeout = seconds;
    if (reply->count() > 0) result.replyTimeout = replySeconds;
    return result;
}

std::string_view UsageText() { return kUsage; }

}  // namespace ordo
