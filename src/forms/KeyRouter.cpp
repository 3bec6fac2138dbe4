#include "forms/WindowSystem.h"

namespace hopplix {

namespace {

bool valid(int virtualKey) { return virtualKey > 0 && virtualKey < 256; }

} // namespace

void KeyRouter::keyDown(Window* window, int virtualKey, int shift, bool autoRepeat)
{
    if (!valid(virtualKey))
        return;
    const auto k = static_cast<std::size_t>(virtualKey);
    if (!autoRepeat) {
        down_[k] = true;
        pressedSinceQuery_[k] = true;
    }
    // The handler may unload the form; the window itself lives on until the event loop.
    if (window && window->keyPreview() && window->onKeyDown) {
        const auto handler = window->onKeyDown;
        handler(virtualKey, shift, autoRepeat);
    }
}

void KeyRouter::keyUp(int virtualKey, bool autoRepeat)
{
    if (valid(virtualKey) && !autoRepeat)
        down_[static_cast<std::size_t>(virtualKey)] = false;
}

bool KeyRouter::GetAsyncKeyState(int virtualKey)
{
    if (!valid(virtualKey))
        return false;
    const auto k = static_cast<std::size_t>(virtualKey);
    const bool result = down_[k] || pressedSinceQuery_[k];
    pressedSinceQuery_[k] = false;
    return result;
}

bool KeyRouter::isDown(int virtualKey) const { return valid(virtualKey) && down_[static_cast<std::size_t>(virtualKey)]; }

} // namespace hopplix
