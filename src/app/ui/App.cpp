#include "app/ui/App.h"

#include "app/ui/FormRegistry.h"
#include "common/paths.h"
#include "common/ui/QtPlatform.h"
#include "launcher/ui/Form3.h"
#include "updater/Downloader.h"
#include "updater/HandOver.h"
#include "updater/UpdateCheck.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace hopplix {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtKeyState keys;
    QtMessageBoxes messages;
    QtBeeper beeper;
    CurlDownloader downloader;
    FormRegistry forms(Services{keys, messages, beeper, currentScreenMetrics(), programFolder(), [] {
                                    // The program ends at once, as when the launcher is closed.
                                    std::fflush(nullptr);
                                    std::_Exit(0);
                                }});
    forms.services().downloader = &downloader;
    forms.services().updateServer = configuredUpdateHost();
    forms.services().startUpdateScript = [](const std::filesystem::path& folder) {
        return startUpdateRunner(folder, ::getpid());
    };
    forms.form3().Show();
    return app.exec();
}

} // namespace hopplix
