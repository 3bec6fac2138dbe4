#pragma once
// Putting a staged update in place in one short step after the program has ended, keeping
// every file it replaces until the new program has started, and putting them back otherwise.

#include <filesystem>
#include <string>
#include <vector>

namespace hopplix {

class StagedInstall {
public:
    // `programName`: the program file X, whose successor X.dxe lies in the program folder.
    StagedInstall(std::filesystem::path programFolder, std::string programName);

    // Moves the staged files (staging folder + "files/", laid out as in the program folder) to
    // their places and then X.dxe to X, each replaced file into the backup folder first. False,
    // with the reasons in `reports`, when a step failed: call rollBack() then.
    bool install(std::vector<std::string>& reports);
    // Undoes every step install() made, in reverse order.
    void rollBack();
    // The new program has started: removes the kept files and what is left of the staging.
    void finish();

private:
    bool replace(const std::filesystem::path& staged, const std::filesystem::path& target,
                 std::vector<std::string>& reports);

    struct Step {
        std::filesystem::path target;
        std::filesystem::path kept; // empty: nothing was there before
    };
    std::filesystem::path root_;
    std::string program_;
    std::vector<Step> steps_;
    std::vector<std::filesystem::path> madeFolders_;
};

} // namespace hopplix
