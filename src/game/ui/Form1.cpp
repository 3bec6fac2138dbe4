#include "game/ui/Form1.h"

namespace hopplix {

std::unique_ptr<FormWindow> Form1::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->setWindowTitle(QStringLiteral("Hopplix"));
    return window;
}

} // namespace hopplix
