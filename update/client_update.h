#pragma once
// The update of the client program that the server pushes: the window shown while the new
// build arrives, and the two ways of putting it in place — the plain one, where a shell script
// swaps the program file, and the one that hands the swap to a patch program from the server.
// Either way the script waits until the running program has ended, then starts the new one with
// the arguments the old one had.
//
// Linux has no batch files and no ".exe": the files keep their roles under Linux names, all in
// the program's folder (a current folder elsewhere would leave the script renaming files that
// are not there):
//   kUpdateTempName     the new build as it arrived (plain way)
//   kRestartScriptName  the script that swaps and restarts (both ways)
//   kPatcherName        the patch program the server delivers
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/date_time.h"
#include "core/errors.h"

namespace ordo {

class IUiBackend;
class IUiUpdateWindow;

#ifdef _WIN32
// On Windows the files have their own names, and the scripts are batch files run by cmd.exe.
inline constexpr const char* kUpdateTempName = "TempFile.exe";
inline constexpr const char* kRestartScriptName = "ReStart.Bat";
inline constexpr const char* kPatcherName = "patcher.exe";
#else
inline constexpr const char* kUpdateTempName = "TempFile";
inline constexpr const char* kRestartScriptName = "ReStart.sh";
inline constexpr const char* kPatcherName = "patcher";
#endif
/// The saved old build: the program's name with this behind it.
inline constexpr const char* kOldProgramSuffix = ".OLD";

inline constexpr const char* kPatcherNotFoundText = "Patcher.exe not found";
inline constexpr const char* kNoUpdateReceivedText = "No Update received";

/// An update that cannot be put in place; nothing has been changed when it is raised.
class EOrdoClientUpdateError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// The program being updated: its file and the arguments it was started with.
struct TOrdoProgramImage {
    std::string exeFileName;        ///< full path
    std::vector<std::string> args;  ///< without the program itself

    /// The running process.
    static TOrdoProgramImage Current();
    /// The folder, with a trailing '/'.
    [[nodiscard]] std::string Folder() const;
    /// The file name without folder.
    [[nodiscard]] std::string Name() const;
};

/// The caption while the update arrives: minutes and seconds once a minute has passed, the
/// seconds alone before; hours are not shown. `elapsed` is a date-time difference (days).
std::string UpdateCaption(std::string_view exeName, TDateTime elapsed);

/// The window class shown for one update: built on the user interface's update window.
class TClientUpdateForm {
public:
    TClientUpdateForm(std::unique_ptr<IUiUpdateWindow> window, std::string exeName, TDateTime startTime);
    ~TClientUpdateForm();
    TClientUpdateForm(const TClientUpdateForm&) = delete;
    TClientUpdateForm& operator=(const TClientUpdateForm&) = delete;

    /// The first bytes of a frame have come: the bar restarts with the frame's size as range.
    void FrameStarted(std::int64_t frameSize);
    /// `received` bytes of the frame are in (0 once it has been delivered).
    void FrameProgress(std::int64_t received, TDateTime now);
    void Close();

    [[nodiscard]] IUiUpdateWindow& Window() noexcept { return *window_; }
    [[nodiscard]] TDateTime StartTime() const noexcept { return startTime_; }

private:
    std::unique_ptr<IUiUpdateWindow> window_;
    std::string exeName_;
    TDateTime startTime_;
};

/// Script lines of the plain way: wait for our end, keep the old build under its ".OLD" name,
/// put the new one in its place, delete the script, start the new build with the same arguments.
std::vector<std::string> PlainRestartLines(const TOrdoProgramImage& program);
/// Script lines of the patch way: wait for our end, run the patch program on the saved update
/// and the program file, delete the script, start the program with the same arguments.
std::vector<std::string> PatchRestartLines(const TOrdoProgramImage& program, const std::string& patchFile);

/// The update's state on one socket: whether one is arriving, its window, and the program it
/// replaces. The clock and the script launcher can be replaced (tests, embedding programs).
class TOrdoClientUpdate {
public:
    using Clock = std::function<TDateTime()>;
    using Launcher = std::function<void(const std::string& scriptPath)>;

    TOrdoClientUpdate();
    ~TOrdoClientUpdate();
    TOrdoClientUpdate(const TOrdoClientUpdate&) = delete;
    TOrdoClientUpdate& operator=(const TOrdoClientUpdate&) = delete;

    /// The running program unless another was set; looked up when first needed.
    [[nodiscard]] const TOrdoProgramImage& Program() const;
    void SetProgram(TOrdoProgramImage program) { program_ = std::move(program); }
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    [[nodiscard]] TDateTime Now() const { return clock_(); }
    /// Starts a saved script; the default starts it detached, waiting for this process to end.
    void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

    /// True from "update begins" until the update stream.
    [[nodiscard]] bool Updating() const noexcept { return updating_; }
    /// The open update window, or null.
    [[nodiscard]] TClientUpdateForm* Form() noexcept { return form_.get(); }

    /// Update begins: sets the flag and shows a new window whose start time is now.
    void Begin(IUiBackend& ui);
    void FrameStarted(std::int64_t frameSize);
    void FrameProgress(std::int64_t received);
    /// The stream has come whole in the read that brought "update begins", before the window could see any of
    /// it arrive: the window shows it received from start to end, as it would have shown it bit by bit.
    void ShowFrameIfUnseen(std::int64_t frameSize);
    /// The stream has come: clears the flag and closes the window.
    void Finish();

    /// The patch program is in the program's folder.
    [[nodiscard]] bool PatcherPresent() const;
    /// Writes the patch program into the program's folder, replacing any older one.
    void SavePatcher(ByteView program) const;

    /// Saves the update beside the program and the plain script; returns the script's path.
    std::string SavePlainUpdate(ByteView update) const;
    /// Checks that the patch way can run, then saves the update under `patchFile`. Raises
    /// "Patcher.exe not found" or "No Update received" with nothing written.
    void SavePatchUpdate(ByteView update, const std::string& patchFile) const;
    /// Saves the script lines beside the program; returns its path.
    std::string SaveRestartScript(const std::vector<std::string>& lines) const;
    void Launch(const std::string& scriptPath) const;

private:
    mutable std::optional<TOrdoProgramImage> program_;
    Clock clock_;
    Launcher launcher_;
    bool updating_ = false;
    bool frameSeen_ = false;  // the window has shown the stream's start
    std::unique_ptr<TClientUpdateForm> form_;
};

}  // namespace ordo
