// fqreplay: replays the queued database work of the sales suite through the middleware server, once per start.
#include <exception>
#include <iostream>
#include <variant>

#include "app/command_line.h"
#include "app/config_check.h"
#include "app/main_form.h"
#include "app/run_log.h"
#include "core/errors.h"
#include "ordo_version.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/queue_folder.h"
#include "platform/locale_separators.h"
#include "platform/process.h"
#include "ui/ui.h"

namespace {

using namespace ordo;

std::string FilesStay(std::size_t count, const std::string& folder) {
    return std::to_string(count) + (count == 1 ? " file stays" : " files stay") + " in " + folder + " for a later run";
}

int Replay(const TCommandLine& options, TRunLog& log) {
    const std::string exeFolder = ExeFolder();
    InitLocale();
    std::unique_ptr<IUiBackend> ui = CreateUiBackend();
    const bool headless = ui->Name() == "headless";
    if (auto problem = ConfigurationProblem(exeFolder)) {
        log.Line(TRunPriority::rpError, *problem);
        // With a window somebody is there to see it wait; a scheduled run must end and say why.
        if (headless) return kExitUsage;
    }
    // Opened once: the folder locked is the folder walked, whatever happens to its path meanwhile.
    std::optional<TQueueFolder> folder;
    try {
        folder.emplace(TQueueFolder::Open(exeFolder + "temp/FQ"));
        if (!folder->TryLock()) {
            log.Line(TRunPriority::rpWarning,
                     "another copy is replaying " + ToNativePath(folder->Path()) + "; this one sends nothing");
            return kExitTryLater;
        }
    } catch (const EOSError& e) {
        log.Line(TRunPriority::rpError, e.what());  // names the folder and the reason
        return kExitUsage;
    }
    // Work whose file cannot be deleted afterwards would be applied again at every start.
    if (auto why = folder->WhyCannotDelete()) {
        log.Line(TRunPriority::rpError, *why + "; nothing was sent, the queue stays as it is");
        return kExitWalkError;
    }

    TfrmPellow form(*ui, exeFolder);
    form.SetMessages(log.Stream(), StderrIsJournal());
    form.SetQueueFolder(*folder);
    form.SetConnectTimeout(options.connectTimeout);
    form.SetReplyTimeout(options.replyTimeout);
    TTerminationSignals signals([&form](int signo) { form.StopSignal(signo); });
    form.FormCreate();
    const int status = form.Run();
    const std::string where = ToNativePath(folder->Path());
    if (form.WalkError()) log.Line(TRunPriority::rpError, *form.WalkError());
    if (form.StoppedBy())
        log.Line(TRunPriority::rpWarning, "stopped by " + TTerminationSignals::Name(*form.StoppedBy()) + "; " +
                                              FilesStay(form.FilesLeft(), where));
    else if (status == kExitTryLater && !form.GaveUpConnecting())
        log.Line(TRunPriority::rpWarning, FilesStay(form.FilesLeft(), where));
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    UseParentConsole();
    ordo::ApplyLocaleSeparators();
    const auto parsed = ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (const auto* error = std::get_if<TUsageError>(&parsed)) {
        std::cerr << "fqreplay: " << error->text << "\nTry 'fqreplay --help' for more information.\n";
        return kExitUsage;
    }
    const TCommandLine& options = std::get<TCommandLine>(parsed);
    if (options.help) {
        std::cout << UsageText() << std::flush;
        return kExitDone;
    }
    if (options.version) {
        std::cout << "fqreplay " << kOrdoVersion << '\n' << std::flush;
        return kExitDone;
    }
    TRunLog log(std::cerr, StderrIsJournal());
    try {
        return Replay(options, log);
    } catch (const std::exception& e) {
        log.Line(TRunPriority::rpError, e.what());
        return kExitUsage;
    }
}
