// The program's start on Qt.
#include "app/App.h"
#include "common/Paths.h"
#include "forms/qt/QtWindowSystem.h"
#include "game/qt/QtPictureDecoder.h"
#include "platform/HandOver.h"
#include "updater/DownloadLibrary.h"
#include "updater/StagedInstall.h"
#include "updater/UpdateFiles.h"

#include <QApplication>
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
    return runLauncher(windows, pictures, ownFolder,
                       {downloads ? downloads->downloader() : nullptr, server, trust.publicKey,
                        [](const std::filesystem::path& folder) {
                            return startUpdateScript(folder / kUpdateScript, programBaseName());
                        }});
}

} // namespace hopplix
