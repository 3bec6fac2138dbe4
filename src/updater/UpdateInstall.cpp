#include "updater/UpdateInstall.h"

#include "common/Ini.h"
#include "common/NameCase.h"
#include "platform/Files.h"
#include "platform/ProgramPath.h"
#include "updater/FileDigest.h"
#include "updater/Minisign.h"
#include "updater/SafePaths.h"
#include "updater/StagedInstall.h"
#include "updater/UpdateScript.h"
#include "updater/UpdateTexts.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <system_error>

namespace hopplix {

namespace fs = std::filesystem;

namespace {

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

// Repaints the window while a download runs, at most every 40 ms: curl reports progress far
// more often than a screen can show it. With a caption set, the window shows it followed by
// the bytes so far, and the bar fills with them where the size is known (its end always shows).
// The player's giving up ends the transfer.
class RefreshDuringDownloads {
public:
    RefreshDuringDownloads(Downloader& downloader, UpdateWindow& window) : downloader_(downloader)
    {
        downloader_.setProgress([this, &window, last = std::chrono::steady_clock::time_point{}](
                                    std::uint64_t received, std::uint64_t total) mutable {
            const auto now = std::chrono::steady_clock::now();
            const bool complete = total > 0 && received >= total;
            if (now - last >= std::chrono::milliseconds(40) || (complete && !caption_.empty())) {
                last = now;
                if (!caption_.empty()) {
                    window.setFileCaption(caption_ + " " + (total > 0 ? byteCount(received) + " / " : std::string())
                                          + byteCount(total > 0 ? total : received));
                    if (total > 0)
                        window.setFillWidth(window.trackWidth() * static_cast<double>(std::min(received, total))
                                            / static_cast<double>(total));
                }
                window.refresh();
            }
            return !window.cancelled();
        });
    }
    ~RefreshDuringDownloads() { downloader_.setProgress({}); }
    RefreshDuringDownloads(const RefreshDuringDownloads&) = delete;
    RefreshDuringDownloads& operator=(const RefreshDuringDownloads&) = delete;
    void showBytesAfter(std::string caption) { caption_ = std::move(caption); }

private:
    Downloader& downloader_;
    std::string caption_;
};

fs::path folderOf(const fs::path& root, const std::vector<std::string>& components)
{
    fs::path folder = root;
    for (const auto& c : components)
        folder /= c;
    return folder;
}

// Whether the folder an entry's file goes to exists or can be made at the install (one missing
// level below an existing folder), inside the program folder; and that no folder of the
// file's name is in the way.
bool placeIsFree(const fs::path& root, const std::vector<std::string>& components, const std::string& name)
{
    const fs::path folder = folderOf(root, components);
    std::error_code ec;
    if (!liesInside(root, folder / name) || fs::is_directory(fs::symlink_status(folder / name, ec)))
        return false;
    return components.empty() || fs::is_directory(folder, ec)
           || (fs::is_directory(folder.parent_path(), ec) && !fs::exists(fs::symlink_status(folder, ec))
               && (components.size() == 1 || liesInside(root, folder.parent_path())));
}

// What the manifest's [SHA256] and [Bytes] sections say of the files.
class Digests {
public:
    // `signedManifest`: every file must be listed; otherwise an unlisted file is taken as it is,
    // as from a server that publishes no digests.
    Digests(std::string_view manifest, bool signedManifest)
        : hashes_(manifest, "SHA256", 255), sizes_(manifest, "Bytes", 255), signed_(signedManifest)
    {}
    bool trusts(std::string_view key, const fs::path& file) const
    {
        const Check c = check(key, file);
        return c == Check::Matches || (c == Check::Unlisted && !signed_);
    }
    enum class Check { Unlisted, Matches, Differs };
    // A file the manifest gives no digest for is Unlisted; one whose digest is malformed Differs.
    Check check(std::string_view key, const fs::path& file) const
    {
        const std::string hash = hashes_.value(key), size = sizes_.value(key);
        if (hash.empty() && size.empty())
            return Check::Unlisted;
        const auto expected = parseDigest(hash, size);
        std::error_code ec;
        // The size first: a cut-short file need not be read at all.
        if (!expected || fs::file_size(file, ec) != expected->bytes || ec)
            return Check::Differs;
        return digestOf(file) == expected ? Check::Matches : Check::Differs;
    }

private:
    ProfileSection hashes_, sizes_;
    bool signed_;
};

// The staging folder of this update: made fresh, removed with whatever is left in it.
class Staging {
public:
    explicit Staging(const fs::path& programFolder) : path_(programFolder / kStagingFolder)
    {
        removeTree(path_);
        std::error_code ec;
        ready_ = fs::create_directory(path_, ec) && !ec;
    }
    ~Staging()
    {
        if (!kept_)
            removeTree(path_);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    bool ready() const { return ready_; }
    const fs::path& path() const { return path_; }
    // The staged files wait here for the hand-over.
    fs::path files() const { return path_ / kStagedFiles; }
    // Keeps the staged files for the hand-over; everything else of the download goes.
    void keep()
    {
        std::error_code ec;
        for (auto it = fs::directory_iterator(path_, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            if (it->path().filename() != kStagedFiles)
                removeTree(it->path());
        kept_ = true;
    }

private:
    fs::path path_;
    bool ready_ = false;
    bool kept_ = false;
};

// The longest file name, in bytes, a folder here can hold.
constexpr std::size_t kLongestName = 255;

// Works through the downloaded manifest. Returns the number of files downloaded, -1 when the
// player gave up; `failures` counts the entries reported with the per-file message. Entries whose
// file name or folder would leave the program folder, or would overwrite the program, its
// script or its manifest, that name a place an earlier entry has, or whose name is too long for
// the reader, are refused with the per-file message and do not count.
int processManifest(const UpdateSetup& setup, const std::string& manifest, const Digests& digests,
                    const Staging& staging, Downloader& downloader, MessageBoxes& messages, UpdateWindow& window,
                    int& failures)
{
    const fs::path root = setup.programFolder;
    // Read once: a manifest of some MiB would otherwise be read three times per entry.
    const ProfileSection namen(manifest, "Namen", 255), urls(manifest, "URL", 255), pfad(manifest, "Pfad", 255);
    // The names once more, whole, to tell a cut name from one that is that long.
    const ProfileSection wholeNames(manifest, "Namen", 32767);
    const int n = keyCountOf(readProfileStringFromBytes(manifest, "Namen", std::nullopt, 255));
    window.setFillWidth(0);
    window.showInFront();
    window.setFileCaption(std::string(kFileCaption) + "0/" + std::to_string(n));
    window.refresh();

    auto report = [&](const std::string& name) {
        ++failures;
        messages.MsgBox(fileError(name), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
    };
    std::set<std::string> places; // folder and name of every entry so far, without regard to case
    int count = 0;
    std::string url = "?";
    // The entry index is a 16-bit number: the list cannot go beyond entry 32767.
    for (int index = 1; !url.empty() && index <= 32767; ++index) {
        const std::string key = "Datei" + std::to_string(index);
        const std::string name = namen.value(key);
        url = urls.value(key);
        const std::string folderText = pfad.value(key);
        if (name.empty())
            continue; // nothing to download, so nothing to move either

        const auto components = folderComponents(folderText);
        std::string place;
        if (components)
            for (const auto& c : *components)
                place += lowerName(c) + "/";
        place += lowerName(name);
        if (!isPlainFileName(name) || isProtectedName(name, setup.programName) || !components
            || (!components->empty() && isProtectedName(components->front(), setup.programName))
            || wholeNames.value(key).size() > name.size() || name.size() > kLongestName || !places.insert(place).second
            || !placeIsFree(root, *components, name)) {
            report(wholeNames.value(key));
            continue;
        }
        // Downloaded into the staging folder, laid out as it will go into the program folder;
        // nothing in the program folder changes before the hand-over.
        const fs::path stagedFolder = folderOf(staging.files(), *components);
        const fs::path staged = stagedFolder / name;
        std::error_code ec;
        fs::create_directories(stagedFolder, ec);
        // A file that differs from what was published is a failed download.
        const int result =
            ec ? download_error::LocalFile : downloader.URLDownloadToFile(url, staged, DownloadKind::Large);
        if (result == download_error::Cancelled)
            return -1;
        if (result != 0 || !digests.trusts(key, staged)) {
            removeQuietly(staged);
            report(name);
            continue;
        }
        if (n > 0)
            window.setFillWidth(std::min(window.trackWidth(), window.fillWidth() + window.trackWidth() / n));
        ++count;
        window.setFileCaption(std::string(kFileCaption) + std::to_string(count) + "/" + std::to_string(n) + " '" + name
                              + "'");
        window.refresh();
    }
    return count;
}

// True when the manifest's detached signature is there, made by the setup's key, and no older
// than the installed release.
bool signedByKey(const UpdateSetup& setup, const std::string& manifest, const Staging& staging, Downloader& downloader)
{
    const auto key = parseMinisignPublicKey(setup.publicKey);
    const fs::path file = staging.path() / (std::string(kManifestFile) + std::string(kSignatureSuffix));
    if (!key
        || downloader.URLDownloadToFile(serverUrl(setup, std::string(kManifestPath) + std::string(kSignatureSuffix)),
                                        file, DownloadKind::Small)
               != 0)
        return false;
    const auto signature = readOrdinaryFile(file, Links::Refuse);
    if (!signature || !minisignVerify(*key, manifest, *signature))
        return false;
    const auto signedAt = signatureTime(*signature);
    return signedAt && *signedAt >= setup.releaseTime;
}

// Whether the manifest delivers the version the player agreed to. A signed manifest must name
// it: otherwise the manifest of another release, signed as well, could be served with it.
bool deliversAnnouncedVersion(const UpdateSetup& setup, std::string_view manifest, bool signatures)
{
    const std::string named = ProfileSection(manifest, kManifestVersionSection, 255).value(kManifestVersionKey);
    if (signatures)
        return !named.empty() && named == setup.announcedVersion;
    return named.empty() || setup.announcedVersion.empty() || named == setup.announcedVersion;
}

// How a stage of an update ended.
enum class Outcome { Done, GaveUp, Failed };

// The new program file into the staging folder. No empty screen for as long as it takes: the
// window shows what arrives.
Outcome downloadProgram(const UpdateSetup& setup, Downloader& downloader, RefreshDuringDownloads& refreshing,
                        UpdateWindow& window, const fs::path& stagedProgram)
{
    // The program file as it is called on this system.
    const std::string programCaption = std::string(kFileCaption) + programFileNameOf(setup.programName);
    window.setFillWidth(0);
    window.setFileCaption(programCaption);
    window.offerCancel(true);
    window.showInFront();
    window.refresh();
    refreshing.showBytesAfter(programCaption);
    const int result =
        downloader.URLDownloadToFile(serverUrl(setup, kProgramFilePath), stagedProgram, DownloadKind::Large);
    refreshing.showBytesAfter({});
    if (result == download_error::Cancelled)
        return Outcome::GaveUp;
    if (result != 0)
        return Outcome::Failed;
    window.setFileCaption(programCaption + " 1/1");
    return Outcome::Done;
}

// The manifest, checked, then the program file against it and every file it lists.
Outcome downloadListedFiles(const UpdateSetup& setup, const Staging& staging, const fs::path& stagedProgram,
                            Downloader& downloader, MessageBoxes& messages, UpdateWindow& window)
{
    const fs::path manifestFile = staging.path() / kManifestFile;
    const int manifestResult =
        downloader.URLDownloadToFile(serverUrl(setup, kManifestPath), manifestFile, DownloadKind::Manifest);
    if (manifestResult == download_error::Cancelled)
        return Outcome::GaveUp;
    const bool signatures = !setup.publicKey.empty();
    // A manifest cut at a limit would install a new program without its files; without the
    // signed manifest nothing vouches for the program.
    if (manifestResult == download_error::TooLarge || (manifestResult != 0 && signatures))
        return Outcome::Failed;
    if (manifestResult != 0)
        return Outcome::Done;
    const auto manifest = readOrdinaryFile(manifestFile, Links::Refuse);
    if (!manifest || (signatures && !signedByKey(setup, *manifest, staging, downloader))
        || !deliversAnnouncedVersion(setup, *manifest, signatures))
        return Outcome::Failed;
    // The program came before the manifest: it is checked now, before anything is staged for
    // the swap.
    const Digests digests(*manifest, signatures);
    if (!digests.trusts(kProgramDigestKey, stagedProgram))
        return Outcome::Failed;
    int failures = 0;
    if (processManifest(setup, *manifest, digests, staging, downloader, messages, window, failures) < 0)
        return Outcome::GaveUp;
    // Nothing a release lists may be left behind: without all of it, none of it goes in, and
    // the next start offers the same update again.
    return failures > 0 ? Outcome::Failed : Outcome::Done;
}

} // namespace

std::string byteCount(std::uint64_t bytes)
{
    std::string digits = std::to_string(bytes);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), 1, '.');
    return digits + " Bytes";
}

int keyCountOf(const std::string& keyList)
{
    if (keyList.empty())
        return -1;
    return static_cast<int>(std::count(keyList.begin(), keyList.end(), '\0'));
}

void removeUpdateLeftovers(const fs::path& programFolder)
{
    // While a swap's journal is open its folders belong to the swap, not to the leftovers.
    if (swapInProgress(programFolder))
        return;
    removeQuietly(programFolder / kNewProgramFile);
    removeTree(programFolder / kStagingFolder);
    removeTree(programFolder / kBackupFolder);
    std::error_code ec;
    for (auto it = fs::directory_iterator(programFolder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (isPartFileName(it->path().filename().string()))
            removeQuietly(it->path());
    }
}

InstallResult Updateholen(const UpdateSetup& setup, Downloader& downloader, MessageBoxes& messages,
                          UpdateWindow& window)
{
    if (messages.MsgBox(std::string(kUpdateQuestion), mb::vbYesNo, std::string(kUpdateQuestionTitle)) != mb::vbYes)
        return InstallResult::Declined;

    const fs::path root = setup.programFolder;
    const fs::path script = root / kUpdateScript;
    bool scriptWritten = false;
    auto giveUp = [&] {
        if (scriptWritten)
            removeQuietly(script);
        window.offerCancel(false);
        window.hide();
        return InstallResult::Cancelled;
    };
    auto fail = [&] {
        giveUp();
        messages.MsgBox(std::string(kUpdateFailed), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
        return InstallResult::ProgramFailed;
    };
    auto stop = [&](Outcome outcome) { return outcome == Outcome::GaveUp ? giveUp() : fail(); };
    // Without the helper that runs the script, nothing downloaded could ever be put in place.
    if (setup.canHandOver && !setup.canHandOver())
        return fail();
    Staging staging(root);
    if (!staging.ready())
        return fail();

    RefreshDuringDownloads refreshing(downloader, window);
    const std::string programFile = newProgramFileOf(setup.programName);
    const fs::path stagedProgram = staging.path() / programFile;
    if (const Outcome outcome = downloadProgram(setup, downloader, refreshing, window, stagedProgram);
        outcome != Outcome::Done)
        return stop(outcome);
    // Without a script the new program could never be put in place.
    if (!makeupdatecmd(root, setup.programName))
        return fail();
    scriptWritten = true;
    if (const Outcome outcome = downloadListedFiles(setup, staging, stagedProgram, downloader, messages, window);
        outcome != Outcome::Done)
        return stop(outcome);
    window.offerCancel(false);

    std::error_code ec;
    fs::rename(stagedProgram, root / programFile, ec);
    if (ec)
        return fail();
    staging.keep();
    window.startHandOverTimers();
    window.setStatusCaption(std::string(kUpdateSucceeded));
    window.showInFront();
    return InstallResult::Installed;
}

} // namespace hopplix
