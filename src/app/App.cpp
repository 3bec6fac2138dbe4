#include "app/App.h"

#include "app/Forms.h"
#include "common/Paths.h"
#include "forms/QtPlatform.h"
#include "platform/HandOver.h"
#include "updater/Downloader.h"
#include "updater/UpdateFiles.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace hopplix {

std::string updateServerFor(const std::string& updateServer, const std::filesystem::path& programFolder,
                            std::ostream& log)
{
    if (updateServer.empty() || isWritableFolder(programFolder))
        return updateServer;
    log << "hopplix: updates are off: the program folder " << programFolder.string() << " is not writable\n";
    return {};
}

int runApplication(int argc, char** argv, const std::string& updateServer, const UpdateTrust& trust)
{
    QApplication app(argc, argv);
    QtKeyState keys;
    QtMessageBoxes messages;
    QtBeeper beeper;
    CurlDownloader downloader(DownloadLimits{}, trust.caFile);
    Forms forms(Services{keys, messages, beeper, currentScreenMetrics(), programFolder(), [] {
                                    // The program ends at once, as when the launcher is closed.
                                    std::fflush(nullptr);
                                    std::_Exit(0);
                                }});
    forms.services().downloader = &downloader;
    forms.services().updateServer = updateServerFor(updateServer, forms.services().programFolder, std::cerr);
    forms.services().updateKey = trust.publicKey;
    forms.services().canStartUpdateScript = [](const std::filesystem::path& folder) {
        return canStartUpdateScript(folder);
    };
    forms.services().startUpdateScript = [](const std::filesystem::path& folder) {
        return startUpdateScript(folder / kUpdateScript, programBaseName());
    };
    forms.form3().Show();
    return app.exec();
}

} // namespace hopplix
