#include "app/ui/App.h"

#include "app/ui/FormRegistry.h"
#include "common/paths.h"
#include "common/ui/QtPlatform.h"
#include "launcher/ui/Form3.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace hopplix {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtKeyState keys;
    QtMessageBoxes messages;
    QtBeeper beeper;
    FormRegistry forms(Services{keys, messages, beeper, currentScreenMetrics(), programFolder(), [] {
                                    // The program ends at once, as when the launcher is closed.
                                    std::fflush(nullptr);
                                    std::_Exit(0);
                                }});
    forms.form3().Show();
    return app.exec();
}

} // namespace hopplix
