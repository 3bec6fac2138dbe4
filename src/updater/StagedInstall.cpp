#include "updater/StagedInstall.h"

#include "platform/Files.h"
#include "updater/SafePaths.h"
#include "updater/UpdateFiles.h"

#include <algorithm>
#include <system_error>

namespace hopplix {

namespace fs = std::filesystem;

namespace {

bool present(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool realFolder(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(fs::symlink_status(path, ec));
}

bool makeExecutable(const fs::path& file)
{
    // Executable for whoever may read it.
    std::error_code ec;
    const fs::perms p = fs::symlink_status(file, ec).permissions();
    fs::perms exec = fs::perms::owner_exec;
    if ((p & fs::perms::group_read) != fs::perms::none)
        exec |= fs::perms::group_exec;
    if ((p & fs::perms::others_read) != fs::perms::none)
        exec |= fs::perms::others_exec;
    if (!ec)
        fs::permissions(file, exec, fs::perm_options::add, ec);
    return !ec;
}

// The journal: a line "hopplix-swap <phase>", then one line per folder the swap makes and per
// file it puts in place, paths relative to the program folder (names with control characters
// are never staged).
constexpr std::string_view kMagic = "hopplix-swap ";
constexpr std::string_view kSwapping = "swap";   // files may be moving: undo
constexpr std::string_view kStarted = "started"; // all in place, the new program starts: finish
constexpr std::string_view kUndoing = "back";    // being undone: undo
// All but the program file in place; the script swaps that: finish when it did, else undo.
constexpr std::string_view kHanded = "handed";

struct PlannedFile {
    std::string target, staged;
    bool existed = false;
};

struct Plan {
    std::string phase;
    std::string successor; // with kHanded: the new program file the script renames
    std::vector<std::string> folders;
    std::vector<PlannedFile> files;
};

std::optional<Plan> parseJournal(const std::string& text)
{
    Plan plan;
    std::size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos)
            return std::nullopt; // every line ends: a cut journal is no journal
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (first) {
            if (line.rfind(kMagic, 0) != 0)
                return std::nullopt;
            plan.phase = line.substr(kMagic.size());
            first = false;
        } else if (line.rfind("successor\t", 0) == 0) {
            plan.successor = line.substr(10);
        } else if (line.rfind("folder\t", 0) == 0) {
            plan.folders.push_back(line.substr(7));
        } else if (line.rfind("file\t", 0) == 0 && line.size() > 7) {
            const auto tab = line.find('\t', 7);
            if (tab == std::string::npos || (line[5] != '0' && line[5] != '1') || line[6] != '\t')
                return std::nullopt;
            plan.files.push_back({line.substr(7, tab - 7), line.substr(tab + 1), line[5] == '1'});
        } else {
            return std::nullopt;
        }
    }
    if (first || (plan.phase != kSwapping && plan.phase != kStarted && plan.phase != kUndoing && plan.phase != kHanded))
        return std::nullopt;
    // Without the successor's name a handed-over swap could never be judged.
    if (plan.phase == kHanded && !isPlainFileName(plan.successor))
        return std::nullopt;
    for (const auto& f : plan.files)
        if (f.target.empty() || f.staged.empty())
            return std::nullopt;
    return plan;
}

bool writeJournal(const fs::path& root, std::string_view phase, const std::string& body)
{
    const fs::path journal = root / kSwapJournal;
    PartFile part(journal);
    const std::string text = std::string(kMagic) + std::string(phase) + "\n" + body;
    return part.stream() && std::fwrite(text.data(), 1, text.size(), part.stream()) == text.size()
           && part.commit(journal);
}

// Why a step of an install refused to go on; nothing when it went through.
using Refusal = std::optional<std::string>;

// The files under `staged`, sorted; anything there but files and folders is refused.
Refusal listStaged(const fs::path& root, const fs::path& staged, std::vector<fs::path>& files)
{
    if (!present(staged))
        return std::nullopt;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(staged, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const auto status = it->symlink_status(ec);
        if (fs::is_regular_file(status))
            files.push_back(it->path());
        else if (!fs::is_directory(status))
            return "refused: " + it->path().lexically_relative(root).generic_string() + " is no file of ours";
    }
    if (ec)
        return "cannot read " + std::string(kStagingFolder);
    std::sort(files.begin(), files.end());
    return std::nullopt;
}

// Where each staged file goes, and the folders to make on the way.
Refusal planFiles(const fs::path& root, const fs::path& staged, const std::vector<fs::path>& files, Plan& plan)
{
    for (const auto& file : files) {
        const fs::path relative = file.lexically_relative(staged);
        const fs::path target = root / relative;
        const fs::path folder = target.parent_path();
        if (!liesInside(root, target) || realFolder(target))
            return "cannot replace " + relative.generic_string();
        if (!realFolder(folder)) {
            // One missing level, as the updater checked when it staged the file.
            const std::string made = folder.lexically_relative(root).generic_string();
            if (present(folder) || !realFolder(folder.parent_path()) || !liesInside(root, folder))
                return "cannot create " + made;
            if (std::find(plan.folders.begin(), plan.folders.end(), made) == plan.folders.end())
                plan.folders.push_back(made);
        }
        plan.files.push_back(
            {relative.generic_string(), file.lexically_relative(root).generic_string(), present(target)});
    }
    return std::nullopt;
}

// The old program goes only when its successor (a plain file, not a link) takes its place:
// here as the plan's last file, or by the script.
Refusal planProgram(const fs::path& root, const std::string& program, ProgramSwap programSwap, Plan& plan)
{
    const std::string successor = newProgramFileOf(program);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(root / successor, ec)))
        return "kept " + program + ": nothing is there to take its place";
    if (!makeExecutable(root / successor))
        return "cannot make " + program + " executable";
    if (programSwap == ProgramSwap::Here)
        plan.files.push_back({program, successor, present(root / program)});
    else
        plan.successor = successor;
    return std::nullopt;
}

// The plan's lines of the journal.
Refusal addToJournal(const Plan& plan, std::string& journal)
{
    if (!plan.successor.empty())
        journal += "successor\t" + plan.successor + "\n";
    for (const auto& folder : plan.folders)
        journal += "folder\t" + folder + "\n";
    for (const auto& f : plan.files) {
        if ((f.target + f.staged).find_first_of("\t\n") != std::string::npos)
            return "cannot note " + f.target;
        journal += std::string("file\t") + (f.existed ? "1" : "0") + "\t" + f.target + "\t" + f.staged + "\n";
    }
    return std::nullopt;
}

// The old file stays where it is until the new one replaces it in one rename; the backup holds
// a second name for it (a copy where the file system has none).
bool keepInBackup(const fs::path& target, const fs::path& kept)
{
    std::error_code ec;
    fs::create_directories(kept.parent_path(), ec);
    if (ec)
        return false;
    fs::create_hard_link(target, kept, ec);
    if (ec && fs::is_regular_file(fs::symlink_status(target))) {
        const fs::path copying = kept.parent_path() / (kept.filename().string() + ".part");
        ec.clear();
        fs::copy_file(target, copying, fs::copy_options::overwrite_existing, ec);
        if (!ec)
            fs::rename(copying, kept, ec);
    }
    return !ec;
}

// Makes the plan's folders and moves its files to their places, in the journal's order.
Refusal putInPlace(const fs::path& root, const Plan& plan, const std::function<void(const std::string&)>& step)
{
    std::error_code ec;
    for (const auto& folder : plan.folders) {
        if (!fs::create_directory(root / fs::path(folder), ec) || ec)
            return "cannot create " + folder;
        step("folder " + folder);
    }
    for (const auto& f : plan.files) {
        const fs::path target = root / fs::path(f.target);
        if (f.existed) {
            if (!keepInBackup(target, root / kBackupFolder / fs::path(f.target)))
                return "cannot keep " + f.target;
            step("keep " + f.target);
        }
        fs::rename(root / fs::path(f.staged), target, ec);
        if (ec)
            return "cannot put " + f.target + " in place";
        step("put " + f.target);
    }
    return std::nullopt;
}

// Puts back what the plan's steps replaced, last step first; each undo is one rename, and a
// step that never happened, or was undone already, is passed over.
void undo(const fs::path& root, const Plan& plan, const std::function<void(const std::string&)>& step)
{
    const fs::path backup = root / kBackupFolder;
    const bool backupReal = realFolder(backup);
    std::error_code ec;
    for (auto f = plan.files.rbegin(); f != plan.files.rend(); ++f) {
        const fs::path target = root / fs::path(f->target);
        if (present(root / fs::path(f->staged)) || !liesInside(root, target))
            continue; // never put in place
        const fs::path kept = backup / fs::path(f->target);
        if (!f->existed) {
            fs::remove(target, ec);
            step("remove " + f->target);
        } else if (backupReal && present(kept)) {
            fs::rename(kept, target, ec);
            step("restore " + f->target);
        }
    }
    for (auto folder = plan.folders.rbegin(); folder != plan.folders.rend(); ++folder) {
        fs::remove(root / fs::path(*folder), ec); // only when empty again
        step("remove folder " + *folder);
    }
}

// Closes the journal first: from then on, what is left is a leftover and nothing else.
void close(const fs::path& root, const std::vector<PlannedFile>& files, bool undone,
           const std::function<void(const std::string&)>& step)
{
    std::error_code ec;
    fs::remove(root / kSwapJournal, ec);
    step("journal closed");
    removeTree(root / kBackupFolder);
    step("backup removed");
    if (undone)
        for (const auto& f : files)
            if (!fs::is_directory(fs::symlink_status(root / fs::path(f.staged), ec)))
                fs::remove(root / fs::path(f.staged), ec); // the new program file among them
    removeTree(root / kStagingFolder);
    step("staging removed");
    fs::remove(root / kSwapLock, ec);
}

// Windows removes no file that is held open without sharing, the lock file among them: it goes
// once released. Elsewhere close() removed it while held, and what is there now is another's.
void release(std::optional<FileLock>& lock, [[maybe_unused]] const fs::path& root)
{
    lock.reset();
#ifdef _WIN32
    std::error_code ec;
    fs::remove(root / kSwapLock, ec);
#endif
}

} // namespace

StagedInstall::StagedInstall(fs::path programFolder, std::string programName)
    : root_(std::move(programFolder)), program_(std::move(programName))
{}

void StagedInstall::step(const std::string& name)
{
    if (afterStep)
        afterStep(name);
}

bool StagedInstall::holdLock()
{
    lock_ = FileLock::tryHold(root_ / kSwapLock);
    // A swap interrupted before this one is undone first.
    if (lock_ && present(root_ / kSwapJournal)) {
        lock_.reset();
        recoverInterruptedSwap(root_);
        lock_ = FileLock::tryHold(root_ / kSwapLock);
    }
    return lock_.has_value();
}

bool StagedInstall::install(std::vector<std::string>& reports, ProgramSwap programSwap)
{
    auto refuse = [&](const std::string& why) {
        reports.push_back(why);
        return false;
    };
    if (!holdLock())
        return refuse("another update is being put in place");
    const fs::path staging = root_ / kStagingFolder;
    const fs::path staged = staging / kStagedFiles;
    const fs::path backup = root_ / kBackupFolder;
    // Only folders and files this program made: nothing is moved through a planted link.
    if ((present(staging) && !realFolder(staging)) || (present(staged) && !realFolder(staged)))
        return refuse("refused: " + std::string(kStagingFolder) + " is no folder of ours");
    if (present(backup) && !realFolder(backup))
        return refuse("refused: " + std::string(kBackupFolder) + " is no folder of ours");
    std::vector<fs::path> files;
    Plan plan;
    Refusal refusal = listStaged(root_, staged, files);
    if (!refusal)
        refusal = planFiles(root_, staged, files, plan);
    if (!refusal)
        refusal = planProgram(root_, program_, programSwap, plan);
    if (!refusal)
        refusal = addToJournal(plan, journal_);
    if (refusal)
        return refuse(*refusal);

    removeTree(backup); // a leftover of an update that never started
    std::error_code ec;
    if (!fs::create_directory(backup, ec) || ec)
        return refuse("cannot create " + std::string(kBackupFolder));
    if (!writeJournal(root_, kSwapping, journal_))
        return refuse("cannot write " + std::string(kSwapJournal));
    journalOpen_ = true;
    step("journal");
    if (const Refusal failed = putInPlace(root_, plan, [this](const std::string& name) { step(name); }))
        return refuse(*failed);
    const std::string_view done = programSwap == ProgramSwap::Here ? kStarted : kHanded;
    if (!writeJournal(root_, done, journal_))
        return refuse("cannot write " + std::string(kSwapJournal));
    step(std::string(done));
    return true;
}

void StagedInstall::rollBack()
{
    if (!lock_)
        return; // another swap's files are not ours to touch
    std::vector<PlannedFile> files;
    if (journalOpen_) {
        // Noted first: a crash while undoing is undone further by the next start.
        writeJournal(root_, kUndoing, journal_);
        step("undoing");
        if (const auto plan = parseJournal(std::string(kMagic) + std::string(kUndoing) + "\n" + journal_)) {
            undo(root_, *plan, [this](const std::string& s) { step(s); });
            files = plan->files;
        }
    }
    std::error_code ec;
    fs::remove(root_ / newProgramFileOf(program_), ec); // the update is given up
    close(root_, files, true, [this](const std::string& s) { step(s); });
    journalOpen_ = false;
    release(lock_, root_);
}

void StagedInstall::finish()
{
    if (!lock_)
        return;
    close(root_, {}, false, [this](const std::string& s) { step(s); });
    journalOpen_ = false;
    release(lock_, root_);
}

SwapRecovery recoverInterruptedSwap(const fs::path& programFolder)
{
    const fs::path journal = programFolder / kSwapJournal;
    // The usual start: nothing to look at, and nothing written into the program folder.
    if (!present(journal) && !present(programFolder / kSwapLock))
        return SwapRecovery::Nothing;
    auto lock = FileLock::tryHold(programFolder / kSwapLock);
    if (!lock)
        return present(journal) ? SwapRecovery::Busy : SwapRecovery::Nothing;
    const auto text = readOrdinaryFile(journal, Links::Refuse);
    const auto plan = text ? parseJournal(*text) : std::nullopt;
    const auto none = [](const std::string&) {};
    std::error_code ec;
    if (!plan) {
        // No journal, or one we did not write: nothing to go by.
        if (present(journal))
            fs::remove(journal, ec);
        fs::remove(programFolder / kSwapLock, ec);
        release(lock, programFolder);
        return SwapRecovery::Nothing;
    }
    // A handed-over swap is done once the script has renamed the new program file.
    if (plan->phase == kStarted || (plan->phase == kHanded && !present(programFolder / plan->successor))) {
        close(programFolder, {}, false, none);
        release(lock, programFolder);
        return SwapRecovery::Completed;
    }
    undo(programFolder, *plan, none);
    if (!plan->successor.empty())
        fs::remove(programFolder / plan->successor, ec); // the update is given up
    close(programFolder, plan->files, true, none);
    release(lock, programFolder);
    return plan->phase == kHanded ? SwapRecovery::ScriptFailed : SwapRecovery::RolledBack;
}

bool swapInProgress(const fs::path& programFolder) { return present(programFolder / kSwapJournal); }

} // namespace hopplix
