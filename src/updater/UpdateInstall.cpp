#include "updater/UpdateInstall.h"

#include "common/Ini.h"
#include "platform/Process.h"
#include "updater/SafePaths.h"
#include "updater/UpdateScript.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <system_error>

namespace hopplix {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kErrorTitle = "Error";

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

// Repaints the window while a download runs, at most every 40 ms: curl reports progress far
// more often than a screen can show it. The previous callback comes back afterwards.
class RefreshDuringDownloads {
public:
    RefreshDuringDownloads(Downloader& downloader, UpdateWindow& window) : downloader_(downloader)
    {
        downloader_.setProgress([&window, last = std::chrono::steady_clock::time_point{}](std::uint64_t,
                                                                                        std::uint64_t) mutable {
            const auto now = std::chrono::steady_clock::now();
            if (now - last < std::chrono::milliseconds(40))
                return;
            last = now;
            window.refresh();
        });
    }
    ~RefreshDuringDownloads() { downloader_.setProgress({}); }
    RefreshDuringDownloads(const RefreshDuringDownloads&) = delete;
    RefreshDuringDownloads& operator=(const RefreshDuringDownloads&) = delete;

private:
    Downloader& downloader_;
};

// The folder an entry's file goes to, created (one level) when missing; nullopt when it would
// lie outside the program folder or cannot be made.
fs::path folderOf(const fs::path& root, const std::vector<std::string>& components)
{
    fs::path folder = root;
    for (const auto& c : components)
        folder /= c;
    return folder;
}

std::optional<fs::path> prepareFolder(const fs::path& root, const std::vector<std::string>& components)
{
    const fs::path folder = folderOf(root, components);
    if (!liesInside(root, folder))
        return std::nullopt;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (!fs::create_directory(folder, ec) || ec)
            return std::nullopt;
        if (!liesInside(root, folder))
            return std::nullopt;
    }
    return folder;
}

// Moves a downloaded file into its folder, replacing an older file there. The rename replaces
// a link of that name instead of writing through it.
bool moveInto(const fs::path& root, const fs::path& file, const std::vector<std::string>& components)
{
    const auto folder = prepareFolder(root, components);
    if (!folder)
        return false;
    const fs::path target = *folder / file.filename();
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(target, ec)))
        return false;
    fs::rename(file, target, ec);
    if (!ec)
        return true;
    // Another file system below the program folder: copy beside the target, then rename.
    // The name is appended piece by piece: a sum of strings starting with "." makes GCC 12 warn
    // wrongly (-Wrestrict) when it optimises hard.
    std::string partName = ".";
    partName += file.filename().string();
    partName += ".part-";
    partName += std::to_string(currentProcessId());
    const fs::path part = *folder / partName;
    ec.clear();
    fs::copy_file(file, part, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(part, target, ec);
    if (ec) {
        removeQuietly(part);
        return false;
    }
    removeQuietly(file);
    return true;
}

std::string fileError(const std::string& name) { return "Updatefehler bei Datei '" + name + "'"; }

} // namespace

int keyCountOf(const std::string& keyList)
{
    if (keyList.empty())
        return -1;
    return static_cast<int>(std::count(keyList.begin(), keyList.end(), '\0'));
}

int processManifest(const UpdateSetup& setup, Downloader& downloader, MessageBoxes& messages,
                    UpdateWindow& window)
{
    const fs::path root = setup.programFolder;
    const fs::path manifest = root / kManifestFile;
    struct RemoveAfterwards {
        fs::path path;
        ~RemoveAfterwards() { removeQuietly(path); }
    } cleanup{manifest};

    const int n = keyCountOf(HolINIString(manifest, "Namen", std::nullopt));
    window.setFillWidth(0);
    window.showInFront();
    window.setFileCaption("Datei: 0/" + std::to_string(n));
    window.refresh();

    int count = 0;
    std::string url = "?";
    // The entry index is a 16-bit number: the list cannot go beyond entry 32767.
    for (int index = 1; !url.empty() && index <= 32767; ++index) {
        const std::string key = "Datei" + std::to_string(index);
        const std::string name = HolINIString(manifest, "Namen", key);
        url = HolINIString(manifest, "URL", key);
        const std::string folderText = HolINIString(manifest, "Pfad", key);
        if (name.empty())
            continue; // nothing to download, so nothing to move either

        const auto components = folderComponents(folderText);
        if (!isPlainFileName(name) || isProtectedName(name, setup.programName) || !components
            || !liesInside(root, root / name)
            || (!components->empty() && !liesInside(root, folderOf(root, *components) / name))) {
            messages.MsgBox(fileError(name), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
            continue;
        }
        const fs::path file = root / name;
        if (downloader.URLDownloadToFile(url, file, DownloadKind::Large) != 0) {
            messages.MsgBox(fileError(name), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
            continue;
        }
        if (n > 0)
            window.setFillWidth(std::min(window.trackWidth(), window.fillWidth() + window.trackWidth() / n));
        ++count;
        window.setFileCaption("Datei: " + std::to_string(count) + "/" + std::to_string(n) + " '" + name + "'");
        window.refresh();
        if (!components->empty() && !moveInto(root, file, *components)) {
            // The file did not reach its folder; it does not stay where it does not belong.
            removeQuietly(file);
            messages.MsgBox(fileError(name), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
        }
    }
    return count;
}

InstallResult Updateholen(const UpdateSetup& setup, Downloader& downloader, MessageBoxes& messages,
                          UpdateWindow& window)
{
    if (messages.MsgBox(std::string(kUpdateQuestion), mb::vbYesNo, "Update") != mb::vbYes)
        return InstallResult::Declined;

    RefreshDuringDownloads refreshing(downloader, window);
    const fs::path newProgram = setup.programFolder / kNewProgramFile;
    if (downloader.URLDownloadToFile(serverUrl(setup, kProgramFilePath), newProgram, DownloadKind::Large) != 0) {
        messages.MsgBox("Update fehlgeschlagen", mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
        return InstallResult::ProgramFailed;
    }
    window.setFileCaption("Datei: " + setup.programName + ".exe 1/1");
    if (!makeupdatecmd(setup.programFolder, setup.programName)) {
        // Without a script the new program could never be put in place.
        removeQuietly(newProgram);
        messages.MsgBox("Update fehlgeschlagen", mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
        return InstallResult::ProgramFailed;
    }
    if (downloader.URLDownloadToFile(serverUrl(setup, kManifestPath), setup.programFolder / kManifestFile,
                                     DownloadKind::Small)
        == 0)
        processManifest(setup, downloader, messages, window);

    window.startHandOverTimers();
    window.setStatusCaption("Update erfolgreich!");
    window.showInFront();
    return InstallResult::Installed;
}

} // namespace hopplix
