#include "updater/StagedInstall.h"

#include "updater/SafePaths.h"
#include "updater/UpdateFiles.h"

#include <algorithm>
#include <system_error>

namespace hopplix {

namespace fs = std::filesystem;

namespace {

void removeTree(const fs::path& path)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec)))
        fs::remove(path, ec);
    else
        fs::remove_all(path, ec);
}

bool makeExecutable(const fs::path& file)
{
    // Executable for whoever may read it.
    std::error_code ec;
    const fs::perms p = fs::status(file, ec).permissions();
    fs::perms exec = fs::perms::owner_exec;
    if ((p & fs::perms::group_read) != fs::perms::none)
        exec |= fs::perms::group_exec;
    if ((p & fs::perms::others_read) != fs::perms::none)
        exec |= fs::perms::others_exec;
    if (!ec)
        fs::permissions(file, exec, fs::perm_options::add, ec);
    return !ec;
}

} // namespace

StagedInstall::StagedInstall(fs::path programFolder, std::string programName)
    : root_(std::move(programFolder)), program_(std::move(programName))
{
}

bool StagedInstall::replace(const fs::path& staged, const fs::path& target, std::vector<std::string>& reports)
{
    const fs::path relative = target.lexically_relative(root_);
    std::error_code ec;
    const auto status = fs::symlink_status(target, ec);
    if (fs::is_directory(status) || !liesInside(root_, target)) {
        reports.push_back("cannot replace " + relative.string());
        return false;
    }
    Step step{target, {}};
    if (fs::exists(status)) {
        // A link of that name is kept as the link it is; nothing is written through it.
        step.kept = root_ / kBackupFolder / relative;
        fs::create_directories(step.kept.parent_path(), ec);
        if (!ec)
            fs::rename(target, step.kept, ec);
        if (ec) {
            reports.push_back("cannot keep " + relative.string());
            return false;
        }
    }
    fs::rename(staged, target, ec);
    steps_.push_back(step);
    if (ec) {
        reports.push_back("cannot put " + relative.string() + " in place");
        return false;
    }
    return true;
}

bool StagedInstall::install(std::vector<std::string>& reports)
{
    const fs::path staged = root_ / kStagingFolder / kStagedFiles;
    std::error_code ec;
    std::vector<fs::path> files;
    if (fs::is_directory(fs::symlink_status(staged, ec))) {
        // Links and special files are never staged by the updater; whatever else lies there stays.
        for (auto it = fs::recursive_directory_iterator(staged, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it->is_regular_file(ec) && !it->is_symlink(ec))
                files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const fs::path target = root_ / file.lexically_relative(staged);
        const fs::path folder = target.parent_path();
        if (!fs::is_directory(fs::symlink_status(folder, ec))) {
            // One missing level, as the updater checked when it staged the file.
            if (!liesInside(root_, folder) || !fs::create_directory(folder, ec) || ec) {
                reports.push_back("cannot create " + folder.lexically_relative(root_).string());
                return false;
            }
            madeFolders_.push_back(folder);
        }
        if (!replace(file, target, reports))
            return false;
    }
    const fs::path successor = root_ / newProgramFileOf(program_);
    // The old program goes only when its successor (a plain file, not a link) takes its place.
    if (!fs::is_regular_file(fs::symlink_status(successor, ec))) {
        reports.push_back("kept " + program_ + ": nothing is there to take its place");
        return false;
    }
    if (!replace(successor, root_ / program_, reports))
        return false;
    if (!makeExecutable(root_ / program_)) {
        reports.push_back("cannot make " + program_ + " executable");
        return false;
    }
    return true;
}

void StagedInstall::rollBack()
{
    std::error_code ec;
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
        fs::remove(step->target, ec);
        if (!step->kept.empty())
            fs::rename(step->kept, step->target, ec);
    }
    steps_.clear();
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder)
        fs::remove(*folder, ec); // only when empty again
    madeFolders_.clear();
    removeTree(root_ / kBackupFolder);
    removeTree(root_ / kStagingFolder);
}

void StagedInstall::finish()
{
    steps_.clear();
    madeFolders_.clear();
    removeTree(root_ / kBackupFolder);
    removeTree(root_ / kStagingFolder);
}

} // namespace hopplix
