// The yardstick for the launcher's start-up on Windows: a bare Win32 window with the launcher's
// controls (a heading, a level list, a colour preview, the Start button, the version label,
// three colour bars with their dots and captions, and the bar that opens them) in the same
// fonts, at the launcher's collapsed size, made straight with User32 and painted with GDI. It
// reads no levels and checks for no update.

#include <windows.h>
#include <commctrl.h>

namespace {

HFONT font(int points)
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return ::CreateFontW(-::MulDiv(points, dpi, 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
}

HWND child(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           HFONT with)
{
    const HWND made = ::CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(with), FALSE);
    return made;
}

// The preview and the dots: filled shapes, as the launcher draws them.
LRESULT CALLBACK shapeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return ::DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(window, &ps);
    RECT r{};
    ::GetClientRect(window, &r);
    const bool circle = ::GetWindowLongPtrW(window, GWLP_USERDATA) != 0;
    const HBRUSH brush = ::CreateSolidBrush(circle ? RGB(0, 0, 0) : RGB(255, 0, 0));
    const HGDIOBJ old = ::SelectObject(dc, brush);
    if (circle)
        ::Ellipse(dc, r.left, r.top, r.right, r.bottom);
    else
        ::RoundRect(dc, r.left, r.top, r.right, r.bottom, 8, 8);
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::EndPaint(window, &ps);
    return 0;
}

LRESULT CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int main()
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSEXW dialogClass{};
    dialogClass.cbSize = sizeof dialogClass;
    dialogClass.lpfnWndProc = dialogProc;
    dialogClass.hInstance = instance;
    dialogClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    dialogClass.hbrBackground = ::GetSysColorBrush(COLOR_HIGHLIGHT);
    dialogClass.lpszClassName = L"BareDialog";
    ::RegisterClassExW(&dialogClass);
    WNDCLASSEXW shapeClass = dialogClass;
    shapeClass.lpfnWndProc = shapeProc;
    shapeClass.lpszClassName = L"BareShape";
    ::RegisterClassExW(&shapeClass);

    // The launcher's collapsed size at 96 dpi (6120 x 2730 twips), frame included.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    const HWND dialog = ::CreateWindowExW(WS_EX_DLGMODALFRAME, L"BareDialog", L"Levelauswahl", style, CW_USEDEFAULT,
                                          CW_USEDEFAULT, 408, 182, nullptr, nullptr, instance, nullptr);
    const HFONT heading = font(18);
    const HFONT list = font(13);
    const HFONT small = font(10);
    child(dialog, WC_STATICW, L"Hier Level auswählen", SS_CENTER, 8, 8, 376, 30, heading);
    child(dialog, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL, 8, 40, 376, 300, list);
    child(dialog, L"BareShape", L"", 0, 8, 80, 33, 33, nullptr);
    const HWND start = child(dialog, WC_BUTTONW, L"Start", BS_PUSHBUTTON, 56, 80, 320, 33, nullptr);
    ::EnableWindow(start, FALSE);
    child(dialog, WC_STATICW, L"1,0", 0, 300, 118, 40, 14, nullptr);
    for (int i = 0; i < 3; ++i) {
        const HWND dot = child(dialog, L"BareShape", L"", 0, 8, 140 + 20 * i, 17, 17, nullptr);
        ::SetWindowLongPtrW(dot, GWLP_USERDATA, 1);
        child(dialog, WC_STATICW, L"Rot: 255", 0, 30, 140 + 20 * i, 80, 17, small);
        const HWND bar = child(dialog, WC_SCROLLBARW, L"", SBS_HORZ, 120, 140 + 20 * i, 260, 17, nullptr);
        ::SetScrollRange(bar, SB_CTL, 0, 255, FALSE);
    }
    child(dialog, WC_STATICW, L"<<< >>>", SS_CENTER, 0, 120, 392, 16, small);
    ::ShowWindow(dialog, SW_SHOW);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
