// The program's start on Windows: its own window backend, the downloads over WinHTTP linked
// in, and the hand-over through the command interpreter's update.cmd.
#include "app/App.h"
#include "common/Paths.h"
#include "forms/win32/Win32WindowSystem.h"
#include "platform/HandOver.h"
#include "updater/Downloader.h"
#include "updater/StagedInstall.h"
#include "updater/UpdateScript.h"
#include "updater/UpdateTexts.h"
#ifdef HOPPLIX_PICTURE_WIC
#include "game/win32/WicPictureDecoder.h"
#endif

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
    if (recovery == SwapRecovery::ScriptFailed)
        windows.messages().MsgBox(std::string(kUpdateFailed), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
    return runLauncher(windows, pictures, ownFolder,
                       {downloads.get(), server, trust.publicKey,
                        [](const std::filesystem::path& folder) { return startHandOver(folder, programBaseName()); }});
}

} // namespace hopplix
