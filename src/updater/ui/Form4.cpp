#include "updater/ui/Form4.h"

namespace hopplix {

std::unique_ptr<FormWindow> Form4::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->setWindowTitle(QStringLiteral("Update..."));
    return window;
}

} // namespace hopplix
