#pragma once
// The window system under the control model: windows, calls posted to run later, pending
// events, the screen, the keyboard, message boxes and the beep. One implementation per backend
// (forms/qt, forms/headless).

#include "common/SystemServices.h"
#include "forms/Controls.h"

#include <array>
#include <functional>
#include <memory>

namespace hopplix {

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual std::unique_ptr<Window> createWindow() = 0;
    // Takes a retired window and deletes it once control is back in the event loop: a handler
    // of one of its controls may still be running.
    virtual void dispose(std::unique_ptr<Window> window) = 0;
    // Runs `call` from the event loop, after the current handler.
    virtual void post(std::function<void()> call) = 0;
    // Lets pending events run; without user input, only painting and the window system's own.
    virtual void processEvents(bool userInput = true) = 0;

    virtual ScreenMetrics screen() = 0;
    // The part of the screen windows may cover (without panels), in pixels.
    virtual PixelRect availableArea() = 0;
    virtual KeyState& keys() = 0;
    virtual MessageBoxes& messages() = 0;
    virtual Beeper& beeper() = 0;

    // Runs the event loop until quit; returns quit's code.
    virtual int run() = 0;
    virtual void quit(int code) = 0;
};

// Where every key event of the program's windows goes: it keeps the key state that the rules
// ask (down now, pressed since the last query) and hands presses to the window's key preview.
// Both backends feed it, so a key means the same to the game whichever system sent it.
//
// A key acts only in the window it was pressed in: held on into another window (the launcher
// that a level's goal brings back), its repeats and its release reach neither that window's
// controls nor its key preview. The key state counts it all the same.
class KeyRouter : public KeyState {
public:
    // A key went down (autoRepeat: the keyboard's repeat of a held key) in `window`, null when
    // it is none of the forms' windows (a message box). Repeats change no key state. Returns
    // whether the event may reach the window; the backend drops it when not.
    bool keyDown(Window* window, int virtualKey, int shift, bool autoRepeat);
    bool keyUp(const Window* window, int virtualKey, bool autoRepeat);
    // None of our windows is active any more: releases would not reach us.
    void releaseAll() { down_.fill(false); }

    bool GetAsyncKeyState(int virtualKey) override;
    bool isDown(int virtualKey) const;

private:
    std::array<bool, 256> down_{};
    std::array<bool, 256> pressedSinceQuery_{};
    std::array<const Window*, 256> pressedIn_{}; // the window each key went down in
};

} // namespace hopplix
