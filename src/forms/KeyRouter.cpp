#include "forms/WindowSystem.h"

namespace hopplix {

namespace {

bool valid(int virtualKey) { return virtualKey > 0 && virtualKey < 256; }

} // namespace

bool KeyRouter::keyDown(Window* window, int virtualKey, int shift, bool autoRepeat)
{
    if (!valid(virtualKey))
        return true;
    const auto k = static_cast<std::size_t>(virtualKey);
    if (!autoRepeat) {
        down_[k] = true;
        pressedSinceQuery_[k] = true;
        pressedIn_[k] = window;
    } else if (!down_[k] || pressedIn_[k] != window) {
        return false; // held on from another window
    }
    // The handler may unload the form; the window itself lives on until the event loop.
    if (window && window->keyPreview() && window->onKeyDown) {
        const auto handler = window->onKeyDown;
        handler(virtualKey, shift, autoRepeat);
    }
    return true;
}

bool KeyRouter::keyUp(const Window* window, int virtualKey, bool autoRepeat)
{
    if (!valid(virtualKey))
        return true;
    const auto k = static_cast<std::size_t>(virtualKey);
    const bool own = !down_[k] || pressedIn_[k] == window;
    if (!autoRepeat)
        down_[k] = false;
    return own;
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

bool KeyRouter::isDown(int virtualKey) const
{
    return valid(virtualKey) && down_[static_cast<std::size_t>(virtualKey)];
}

} // namespace hopplix
