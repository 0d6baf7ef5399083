// fqreplay: replays the queued database work of the sales suite through the middleware server, once per start.
#include <exception>
#include <iostream>
#include <variant>

#include "app/command_line.h"
#include "app/config_check.h"
#include "app/main_form.h"
#include "core/errors.h"
#include "ordo_version.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/folder_lock.h"
#include "platform/locale_separators.h"
#include "platform/process.h"
#include "ui/ui.h"

namespace {

using namespace ordo;

int Replay(const TCommandLine& options) {
    const std::string exeFolder = ExeFolder();
    InitLocale();
    std::unique_ptr<IUiBackend> ui = CreateUiBackend();
    const bool headless = ui->Name() == "headless";
    if (auto problem = ConfigurationProblem(exeFolder)) {
        std::cerr << "fqreplay: " << *problem << '\n';
        // With a window somebody is there to see it wait; a scheduled run must end and say why.
        if (headless) return kExitUsage;
    }
    const std::string queueFolder = exeFolder + "temp/FQ";
    std::optional<TFolderLock> lock;
    try {
        lock = TFolderLock::TryTake(queueFolder);
    } catch (const EOSError& e) {
        std::cerr << "fqreplay: " << e.what() << '\n';  // names the folder and the reason
        return kExitUsage;
    }
    if (!lock) {
        std::cerr << "fqreplay: another copy is replaying " << queueFolder << "; this one sends nothing\n";
        return kExitTryLater;
    }

    TfrmPellow form(*ui, exeFolder);
    form.SetMessages(std::cerr);
    form.SetConnectTimeout(options.connectTimeout);
    TTerminationSignals signals([&form](int) { form.Terminate(); });
    form.FormCreate();
    const int status = form.Run();
    if (form.WalkError()) {
        std::cerr << "fqreplay: " << *form.WalkError() << '\n';
    } else if (status == kExitTryLater && !form.GaveUpConnecting()) {
        std::cerr << "fqreplay: " << form.FilesLeft() << (form.FilesLeft() == 1 ? " file stays" : " files stay")
                  << " in " << queueFolder << " for a later run\n";
    }
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
    try {
        return Replay(options);
    } catch (const std::exception& e) {
        std::cerr << "fqreplay: " << e.what() << '\n';
        return kExitUsage;
    }
}
