#include "forms/win32/Win32MessageBoxes.h"

#include "platform/win32/WideText.h"

#include <algorithm>

namespace hopplix {

namespace {

// The box MsgBox is opening: the hook renames its buttons when it becomes active.
std::vector<HWND>* openingList = nullptr;
HHOOK renameHook = nullptr;

bool isDialog(HWND window)
{
    wchar_t name[16] = {};
    return ::GetClassNameW(window, name, 16) > 0 && std::wstring_view(name) == L"#32770";
}

LRESULT CALLBACK renameButtons(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && openingList) {
        const auto box = reinterpret_cast<HWND>(wParam);
        if (isDialog(box)) {
            // The system labels them in its own language.
            ::SetDlgItemTextW(box, IDYES, L"Ja");
            ::SetDlgItemTextW(box, IDNO, L"Nein");
            openingList->push_back(box);
            openingList = nullptr;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

using MonitorDpiFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

MonitorDpiFunction monitorDpiFunction()
{
    // Windows 8.1 and later; earlier ones have one dpi for every screen.
    static const auto function = [] {
        const HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
        const FARPROC found = shcore ? ::GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
        return reinterpret_cast<MonitorDpiFunction>(reinterpret_cast<void (*)()>(found));
    }();
    return function;
}

} // namespace

int Win32MessageBoxes::MsgBox(const std::string& prompt, int style, const std::string& title)
{
    const bool question = (style & 7) == mb::vbYesNo;
    // Owned by the active window, which the system activates again when the box closes, so
    // the keys reach the game again; without one the box holds every window of the program.
    const HWND owner = ::GetActiveWindow();
    UINT flags = (question ? MB_YESNO : MB_OK) | (owner ? MB_APPLMODAL : MB_TASKMODAL) | MB_SETFOREGROUND;
    if (style & mb::vbCritical)
        flags |= MB_ICONERROR;
    // A box opened by a handler while another is open renames its own buttons; the outer one
    // keeps its hook state.
    std::vector<HWND>* const outerList = openingList;
    HHOOK const outerHook = renameHook;
    openingList = &open_;
    renameHook = ::SetWindowsHookExW(WH_CBT, renameButtons, nullptr, ::GetCurrentThreadId());
    const std::size_t depth = open_.size();
    const int answer = ::MessageBoxW(owner, win32::toWide(prompt).c_str(), win32::toWide(title).c_str(), flags);
    if (renameHook)
        ::UnhookWindowsHookEx(renameHook);
    openingList = outerList;
    renameHook = outerHook;

    HWND box = open_.size() > depth ? open_[depth] : nullptr;
    open_.resize(std::min(open_.size(), depth));
    const auto unanswered = std::find(closedUnanswered_.begin(), closedUnanswered_.end(), box);
    if (box && unanswered != closedUnanswered_.end()) {
        closedUnanswered_.erase(unanswered);
        return mb::vbNoAnswer;
    }
    if (!question)
        return mb::vbOK;
    if (answer == IDYES)
        return mb::vbYes;
    return answer == IDNO ? mb::vbNo : mb::vbNoAnswer;
}

void Win32MessageBoxes::closeUnanswered()
{
    // Each box's own loop ends once control returns to it; the innermost first.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        closedUnanswered_.push_back(*it);
        ::EndDialog(*it, 0);
    }
}

void Win32Beeper::Beep() { ::MessageBeep(MB_OK); }

ScreenMetrics screenMetricsFor(int widthPixels, int heightPixels, unsigned dpiX, unsigned dpiY)
{
    ScreenMetrics m;
    m.twipsPerPixelX = dpiX > 0 ? 1440.0 / dpiX : 15.0;
    m.twipsPerPixelY = dpiY > 0 ? 1440.0 / dpiY : 15.0;
    m.widthTwips = widthPixels * m.twipsPerPixelX;
    m.heightTwips = heightPixels * m.twipsPerPixelY;
    return m;
}

unsigned primaryMonitorDpi()
{
    const HMONITOR monitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (const auto function = monitorDpiFunction();
        function && function(monitor, 0 /* effective */, &dpiX, &dpiY) == S_OK && dpiX > 0)
        return dpiX;
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

ScreenMetrics currentScreenMetrics()
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
        return ScreenMetrics{};
    const unsigned dpi = primaryMonitorDpi();
    return screenMetricsFor(info.rcMonitor.right - info.rcMonitor.left, info.rcMonitor.bottom - info.rcMonitor.top, dpi,
                            dpi);
}

} // namespace hopplix
