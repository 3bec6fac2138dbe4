#pragma once
// The Windows backend of the control model: windows of our own classes with User32's button,
// drop-down list (combo box) and scroll bar, labels, shapes and the playfield drawn with GDI,
// timers of the multimedia timer, one key router fed from the message loop, message boxes with
// German buttons, the screen and the beep. One per thread, on the thread of its windows.

#include "forms/WindowSystem.h"
#include "forms/win32/Win32MessageBoxes.h"

#include <windows.h>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace hopplix {

class Win32Window;
class Win32Timer;

class Win32WindowSystem final : public WindowSystem {
public:
    Win32WindowSystem();
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    std::unique_ptr<Window> createWindow() override;
    void dispose(std::unique_ptr<Window> window) override;
    void post(std::function<void()> call) override;
    void processEvents(bool userInput = true) override;
    ScreenMetrics screen() override { return currentScreenMetrics(); }
    PixelRect availableArea() override;
    KeyState& keys() override { return router_; }
    MessageBoxes& messages() override { return messages_; }
    Beeper& beeper() override { return beeper_; }
    int run() override;
    void quit(int code) override;

    // One message as the event loop handles it: keys go through the key router first, which
    // may keep them from the window.
    void handle(MSG& message);
    // Whether a key message may reach its window, after the key router has seen it.
    bool routeKey(const MSG& message);
    const KeyRouter& router() const { return router_; }
    Win32MessageBoxes& messageBoxes() { return messages_; }

    // For the windows and timers of this backend.
    static Win32WindowSystem* current();
    HWND messageWindow() const { return messages_window_; }
    int addTimer(Win32Timer& timer);
    void removeTimer(int id);
    void releaseKeys() { router_.releaseAll(); }

private:
    static LRESULT CALLBACK messageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK modalLoopKeys(int code, WPARAM wParam, LPARAM lParam);
    void deleteDisposed();

    KeyRouter router_;
    Win32MessageBoxes messages_;
    Win32Beeper beeper_;
    HWND messages_window_ = nullptr;
    HHOOK modalKeys_ = nullptr;
    std::deque<std::function<void()>> calls_;
    std::vector<std::unique_ptr<Window>> disposed_;
    std::map<int, Win32Timer*> timers_;
    int nextTimer_ = 1;
    int depth_ = 0; // handlers running now
};

// The window system's windows behind the model, for the backend's own tests and the benchmarks.
HWND hwndOf(const Window& window);
HWND hwndOf(const Control& control);
// The pixels on the screen of a control's client area, as 0x00BBGGRR rows.
std::vector<std::uint32_t> grab(const Control& control);

} // namespace hopplix
