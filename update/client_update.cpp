#include "update/client_update.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "ui/ui.h"

namespace ordo {
namespace {

constexpr const char* kFormCaption = "Program Update In Progress . . . ";
constexpr const char* kMemoText =
    "This software program must be updated.\r\n\r\n"
    "You are not required to take any action.  This program has an intelligent update feature and it knows "
    "how to update itself.  Please wait while the update progresses.\r\n\r\n"
    "When the updated program has been received by your machine, it will start automatically and you can "
    "continue with your work.  Thank you.";

#ifndef _WIN32
/// Waits for the end of standard input: the old program holds the pipe's other end until it ends.
constexpr const char* kWaitForOldProgram = "while read -r line; do :; done";

std::string Quote(std::string_view text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

/// The last lines of both scripts: the script goes, the program starts as it was started.
void AppendRestart(std::vector<std::string>& lines, const TOrdoProgramImage& program) {
    lines.push_back("rm -f " + Quote(program.Folder() + kRestartScriptName));
    std::string start = "exec " + Quote(program.exeFileName);
    for (const auto& arg : program.args) start += " " + Quote(arg);
    lines.push_back(start + " </dev/null");
}

#endif

int ToInt(std::int64_t value) {
    if (value < 0) return 0;
    return value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(value);
}

}  // namespace

// --- the program ------------------------------------------------------------------------------

TOrdoProgramImage TOrdoProgramImage::Current() {
    TOrdoProgramImage image;
    image.exeFileName = ExeFileName();
    std::vector<std::string> args = CommandLineArgs();
    if (!args.empty()) image.args.assign(args.begin() + 1, args.end());
    return image;
}

std::string TOrdoProgramImage::Folder() const { return ExtractFilePath(exeFileName); }

std::string TOrdoProgramImage::Name() const { return ExtractFileName(exeFileName); }

// --- the window -----------------------------------------------------------------------------

std::string UpdateCaption(std::string_view exeName, TDateTime elapsed) {
    // Whole milliseconds first: 75 s as a fraction of a day must not read as 74.999 s.
    const auto ms = static_cast<std::int64_t>(std::llround(std::max(0.0, elapsed) * MSecsPerDay));
    const auto minutes = static_cast<int>(ms / 60000 % 60);
    const auto seconds = static_cast<int>(ms / 1000 % 60);
    char tail[64];
    if (minutes != 0) {
        std::snprintf(tail, sizeof tail, " in progress . . . %d Min %d Secs", minutes, seconds);
    } else {
        std::snprintf(tail, sizeof tail, " in progress . . . %d Secs", seconds);
    }
    return "Update of " + std::string(exeName) + tail;
}

TClientUpdateForm::TClientUpdateForm(std::unique_ptr<IUiUpdateWindow> window, std::string exeName,
                                     TDateTime startTime)
    : window_(std::move(window)), exeName_(std::move(exeName)), startTime_(startTime) {
    window_->SetCaption(kFormCaption);
    window_->SetMemoText(kMemoText);
    window_->SetStatusText(AnsiLiteral("서버가 업데이트를 준비하고 있습니다"));
    window_->Progress().SetMax(100);
    window_->Progress().SetPosition(0);
}

TClientUpdateForm::~TClientUpdateForm() { Close(); }

void TClientUpdateForm::FrameStarted(std::int64_t frameSize) {
    IUiProgressBar& bar = window_->Progress();
    bar.SetPosition(0);
    bar.SetMax(ToInt(frameSize));
    window_->SetStatusText(AnsiLiteral("업데이트를 수신 중입니다"));
}

void TClientUpdateForm::FrameProgress(std::int64_t received, TDateTime now) {
    IUiProgressBar& bar = window_->Progress();
    window_->SetCaption(UpdateCaption(exeName_, now - startTime_));
    char status[96];
    std::snprintf(status, sizeof status, " Received %d of %d bytes", bar.Position(), bar.Max());
    window_->SetStatusText(status);
    bar.SetPosition(ToInt(received));
    window_->Repaint();
}

void TClientUpdateForm::Close() {
    if (!window_->Closed()) window_->Close();
}

#ifndef _WIN32  // the Windows batch files are in client_update_batch.cpp
// --- the scripts ------------------------------------------------------------------------------

std::vector<std::string> PlainRestartLines(const TOrdoProgramImage& program) {
    const std::string exe = Quote(program.exeFileName);
    const std::string old = Quote(program.exeFileName + kOldProgramSuffix);
    std::vector<std::string> lines{
        "#!/bin/sh",
        "# Puts the new build of " + program.Name() + " in place once the running one has ended, then starts it.",
        "# Standard input is a pipe that the old program holds open until it ends.",
        kWaitForOldProgram,
        "rm -f " + old,
        "mv -f " + exe + " " + old,
        // A new build that cannot be moved in must not leave the program missing.
        "mv -f " + Quote(program.Folder() + kUpdateTempName) + " " + exe + " || mv -f " + old + " " + exe,
        "chmod +x " + exe,
    };
    AppendRestart(lines, program);
    return lines;
}

std::vector<std::string> PatchRestartLines(const TOrdoProgramImage& program, const std::string& patchFile) {
    std::vector<std::string> lines{
        "#!/bin/sh",
        "# Patches " + program.Name() + " once the running one has ended, then starts it.",
        "# Standard input is a pipe that the old program holds open until it ends.",
        kWaitForOldProgram,
        Quote(program.Folder() + kPatcherName) + " -p" + Quote(patchFile) + " -f" + Quote(program.exeFileName),
    };
    AppendRestart(lines, program);
    return lines;
}

#endif

// --- the update's state -------------------------------------------------------------------------

TOrdoClientUpdate::TOrdoClientUpdate()
    : clock_([] { return ordo::Now(); }),
      launcher_([](const std::string& path) { StartRestartScript(path); }) {}

TOrdoClientUpdate::~TOrdoClientUpdate() = default;

const TOrdoProgramImage& TOrdoClientUpdate::Program() const {
    if (!program_) program_ = TOrdoProgramImage::Current();
    return *program_;
}

void TOrdoClientUpdate::Begin(IUiBackend& ui) {
    updating_ = true;
    frameSeen_ = false;
    form_.reset();  // a second announcement starts over
    form_ = std::make_unique<TClientUpdateForm>(ui.CreateUpdateWindow(), Program().Name(), clock_());
    form_->Window().Show();
}

void TOrdoClientUpdate::FrameStarted(std::int64_t frameSize) {
    if (!form_) return;
    form_->FrameStarted(frameSize);
    frameSeen_ = true;
}

void TOrdoClientUpdate::ShowFrameIfUnseen(std::int64_t frameSize) {
    if (!form_ || frameSeen_) return;
    FrameStarted(frameSize);
    FrameProgress(frameSize);
    FrameProgress(0);  // the report a delivered frame ends with
}

void TOrdoClientUpdate::FrameProgress(std::int64_t received) {
    // Against a frame whose start the window never showed, the bar would count towards the wrong end.
    if (form_ && frameSeen_) form_->FrameProgress(received, clock_());
}

void TOrdoClientUpdate::Finish() {
    updating_ = false;
    form_.reset();
}

bool TOrdoClientUpdate::PatcherPresent() const { return FileExists(Program().Folder() + kPatcherName); }

void TOrdoClientUpdate::SavePatcher(ByteView program) const {
    const std::string path = Program().Folder() + kPatcherName;
    WriteFileBytes(path, program);
    MakeExecutable(path);
}

std::string TOrdoClientUpdate::SavePlainUpdate(ByteView update) const {
    // An empty file in the program's place would leave nothing that could start again.
    if (update.empty()) throw EOrdoClientUpdateError(kNoUpdateReceivedText);
    const std::string temp = Program().Folder() + kUpdateTempName;
    WriteFileBytes(temp, update);
    MakeExecutable(temp);
    return SaveRestartScript(PlainRestartLines(Program()));
}

void TOrdoClientUpdate::SavePatchUpdate(ByteView update, const std::string& patchFile) const {
    if (!PatcherPresent()) throw EOrdoClientUpdateError(kPatcherNotFoundText);
    if (update.empty()) throw EOrdoClientUpdateError(kNoUpdateReceivedText);
    WriteFileBytes(patchFile, update);
}

std::string TOrdoClientUpdate::SaveRestartScript(const std::vector<std::string>& lines) const {
    const std::string path = Program().Folder() + kRestartScriptName;
    SaveShellScript(path, lines);
    return path;
}

void TOrdoClientUpdate::Launch(const std::string& scriptPath) const { launcher_(scriptPath); }

}  // namespace ordo
