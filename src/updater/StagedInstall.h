#pragma once
// Putting a staged update in place after the program has ended, so that a crash at any moment
// leaves a folder that the next start turns back into exactly the old version or exactly the
// new one. A journal lists every step before the first file moves; each step is one rename
// that replaces its target whole, so the program file is never missing; what a step replaces
// is kept in the backup folder until the new program has started.

#include "platform/FileLock.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix {

// Who puts the new program file in place of the old one.
enum class ProgramSwap {
    Here,   // install() does, as the last step
    Script, // the command interpreter's script does, once the old program has ended (Windows,
            // where a running program file cannot be replaced)
};

class StagedInstall {
public:
    // `programName`: the program file X, whose successor X.dxe lies in the program folder.
    StagedInstall(std::filesystem::path programFolder, std::string programName);

    // Moves the staged files (staging folder + "files/", laid out as in the program folder) to
    // their places and then X.dxe to X, made executable. False, with the reasons in `reports`,
    // when a step failed: call rollBack() then. Works through no link it did not make.
    // With ProgramSwap::Script X.dxe stays for the script, and the journal stays open when this
    // object goes: the next start finishes the swap when X.dxe has gone (the script put it in
    // place) and undoes it when X.dxe is still there.
    bool install(std::vector<std::string>& reports, ProgramSwap programSwap = ProgramSwap::Here);
    // Undoes every step install() made, in reverse order, and closes the journal.
    void rollBack();
    // The new program has started: closes the journal, then removes the kept files and what
    // is left of the staging.
    void finish();

    // Called after each step that changes the folder, with the step's name: a test stops the
    // helper there to see what a crash at that moment leaves.
    std::function<void(std::string_view step)> afterStep;

private:
    // Holds the swap lock, after undoing a swap that was interrupted; false when another holds it.
    bool holdLock();
    void step(const std::string& name);

    std::filesystem::path root_;
    std::string program_;
    std::optional<FileLock> lock_;
    std::string journal_; // the steps, without the phase line
    bool journalOpen_ = false;
};

enum class SwapRecovery {
    Nothing,    // no swap was interrupted
    Busy,       // a running helper is carrying the swap out
    RolledBack, // the folder holds the old version again
    Completed,  // the new version had started: its swap is finished
    // Handed over to update.cmd, which did not put the new program in place (its file was still
    // in use, say): the old version is back whole, and the player is to be told the update failed.
    ScriptFailed,
};

// Finishes or undoes a swap that a crash interrupted, by its journal. Run it at every start of
// the program and of the helper, before anything else looks at the program folder.
SwapRecovery recoverInterruptedSwap(const std::filesystem::path& programFolder);

// True while a swap's journal is open: its backup and staging folders are no leftovers.
bool swapInProgress(const std::filesystem::path& programFolder);

} // namespace hopplix
