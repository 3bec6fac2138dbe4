// The program's start on Qt.
#include "app/App.h"
#include "app/Forms.h"
#include "common/Paths.h"
#include "forms/qt/QtWindowSystem.h"
#include "game/qt/QtPictureDecoder.h"
#include "platform/HandOver.h"
#include "updater/DownloadLibrary.h"
#include "updater/StagedInstall.h"
#include "updater/UpdateFiles.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace hopplix {

int runApplication(int argc, char** argv, const std::string& updateServer, const UpdateTrust& trust)
{
    // An update the helper was putting in place when it died is finished or undone first.
    recoverInterruptedSwap(programFolder());
    QApplication app(argc, argv);
    QtWindowSystem windows;
    const QtPictureDecoder pictures;
    const std::filesystem::path ownFolder = programFolder();
    std::string server = updateServerFor(updateServer, ownFolder, std::cerr);
    const auto downloads = downloadsFor(server, ownFolder, trust.caFile, std::cerr);
    Forms forms(Services{windows.keys(), windows.messages(), windows.beeper(), [&windows] { return windows.screen(); },
                         ownFolder,
                         [] {
                             // The program ends at once, as when the launcher is closed.
                             std::fflush(nullptr);
                             std::_Exit(0);
                         }},
                pictures);
    forms.services().windows = &windows;
    forms.services().downloader = downloads ? downloads->downloader() : nullptr;
    forms.services().updateServer = server;
    forms.services().updateKey = trust.publicKey;
    forms.services().canStartUpdateScript = [](const std::filesystem::path& folder) {
        return canStartUpdateScript(folder);
    };
    forms.services().startUpdateScript = [](const std::filesystem::path& folder) {
        return startUpdateScript(folder / kUpdateScript, programBaseName());
    };
    forms.form3().Show();
    return windows.run();
}

} // namespace hopplix
