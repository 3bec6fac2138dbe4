#include "game/ui/Form2.h"

namespace hopplix {

std::unique_ptr<FormWindow> Form2::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->setWindowTitle(QStringLiteral("DebugScreen"));
    return window;
}

} // namespace hopplix
