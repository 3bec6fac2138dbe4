#pragma once
// Installing an update once the player has agreed: the new program file, the update script,
// the manifest and every file it lists, with the progress shown in the updater window.
// Everything is downloaded into a staging folder inside the program folder first.

#include "common/SystemServices.h"
#include "updater/Downloader.h"
#include "updater/UpdateCheck.h"
#include "updater/UpdateFiles.h"

#include <cstdint>
#include <string>

namespace hopplix {

// What the installation shows; the updater window implements it, tests record it.
class UpdateWindow {
public:
    virtual ~UpdateWindow() = default;
    virtual void setStatusCaption(const std::string& caption) = 0; // Label1
    virtual void setFileCaption(const std::string& caption) = 0;   // Label2
    virtual double trackWidth() = 0;                               // Shape1, twips
    virtual double fillWidth() = 0;                                // Shape2, twips
    virtual void setFillWidth(double twips) = 0;
    virtual void showInFront() = 0;
    virtual void hide() = 0;
    virtual void startHandOverTimers() = 0; // Timer1, then Timer2
    // Offers the player a way to give the update up while files download, or takes it away.
    virtual void offerCancel(bool offered) = 0;
    // Lets the window repaint and the player give up, between files and during downloads.
    virtual void refresh() = 0;
    // True once the player has given up.
    virtual bool cancelled() = 0;
};

enum class InstallResult {
    Declined,      // the player answered No
    ProgramFailed, // nothing was installed; kUpdateFailed was shown
    Cancelled,     // the player gave up while files downloaded: nothing was installed
    Installed,     // the window shows kUpdateSucceeded and the hand-over timers run
};

// Asks the question and, on Yes, installs the update. While the program file downloads, the
// window shows its name and the bytes so far.
InstallResult Updateholen(const UpdateSetup& setup, Downloader& downloader, MessageBoxes& messages,
                          UpdateWindow& window);

// The total that the progress display divides by: the number of key names in a key list (each
// ended by a NUL; a last name cut short has none); -1 for an empty list.
int keyCountOf(const std::string& keyList);

// A byte count as the window shows it: digits grouped by points, "9.750.078 Bytes".
std::string byteCount(std::uint64_t bytes);

// Removes what a killed update leaves: the staging and backup folders, a downloaded program
// file (Hopplix.dxe) and half-downloaded files; nothing while a swap's journal is open.
void removeUpdateLeftovers(const std::filesystem::path& programFolder);

} // namespace hopplix
