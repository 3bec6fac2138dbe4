#include "launcher/ui/Form3.h"

namespace hopplix {

std::unique_ptr<FormWindow> Form3::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->setWindowTitle(QStringLiteral("Levelauswahl"));
    return window;
}

} // namespace hopplix
