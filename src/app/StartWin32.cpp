// The program's start on Windows: its own window backend, the downloads over WinHTTP linked
// in, and the hand-over through the command interpreter's update.cmd.
#include "app/App.h"
#include "app/Forms.h"
#include "common/Paths.h"
#include "forms/win32/Win32WindowSystem.h"
#include "platform/HandOver.h"
#include "updater/Downloader.h"
#include "updater/StagedInstall.h"
#include "updater/UpdateScript.h"
#ifdef HOPPLIX_PICTURE_WIC
#include "game/win32/WicPictureDecoder.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace hopplix {

int runApplication(int, char**, const std::string& updateServer, const UpdateTrust& trust)
{
    const std::filesystem::path ownFolder = programFolder();
    // An update the script was swapping in when the program or the machine went down is
    // finished or undone first; one the script could not finish is undone and said so.
    const SwapRecovery recovery = recoverInterruptedSwap(ownFolder);
    Win32WindowSystem windows;
#ifdef HOPPLIX_PICTURE_WIC
    const WicPictureDecoder pictures;
#else
    const BmpPictureDecoder pictures;
#endif
    std::string server = updateServerFor(updateServer, ownFolder, std::cerr);
    // WinHTTP trusts the system's certificates; a certificate built in is pinned instead.
    std::unique_ptr<Downloader> downloads;
    if (!server.empty())
        downloads = std::make_unique<WinHttpDownloader>(DownloadLimits{}, std::filesystem::path(trust.caFile));
    Forms forms(Services{windows.keys(), windows.messages(), windows.beeper(), [&windows] { return windows.screen(); },
                         ownFolder,
                         [] {
                             // The program ends at once, as when the launcher is closed.
                             std::fflush(nullptr);
                             std::_Exit(0);
                         }},
                pictures);
    forms.services().windows = &windows;
    forms.services().downloader = downloads.get();
    forms.services().updateServer = server;
    forms.services().updateKey = trust.publicKey;
    forms.services().canStartUpdateScript = [](const std::filesystem::path& folder) {
        return canStartUpdateScript(folder);
    };
    forms.services().startUpdateScript = [](const std::filesystem::path& folder) {
        return startHandOver(folder, programBaseName());
    };
    if (recovery == SwapRecovery::ScriptFailed)
        windows.messages().MsgBox("Update fehlgeschlagen", mb::vbOKOnly | mb::vbCritical, "Error");
    forms.form3().Show();
    return windows.run();
}

} // namespace hopplix
