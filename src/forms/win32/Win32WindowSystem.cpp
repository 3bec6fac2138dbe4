#include "forms/win32/Win32WindowSystem.h"

#include "platform/win32/WideText.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <commctrl.h>
#include <mmsystem.h>
#include <string>
#include <windowsx.h>

namespace hopplix {

namespace {

constexpr UINT kTick = WM_APP + 1; // wParam: timer id, lParam: its start count
constexpr UINT kCall = WM_APP + 2;
constexpr wchar_t kFormClass[] = L"HopplixForm";
constexpr wchar_t kLabelClass[] = L"HopplixLabel";
constexpr wchar_t kShapeClass[] = L"HopplixShape";
constexpr wchar_t kPlayfieldClass[] = L"HopplixPlayfield";
constexpr wchar_t kMessageClass[] = L"HopplixMessages";

Win32WindowSystem* theSystem = nullptr;

HINSTANCE instance() { return ::GetModuleHandleW(nullptr); }

COLORREF colorOf(std::uint32_t value) { return static_cast<COLORREF>(value & 0xFFFFFFu); } // the same layout

int shiftState()
{
    int shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0)
        shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0)
        shift |= 2;
    if (::GetKeyState(VK_MENU) < 0)
        shift |= 4;
    return shift;
}

// Handlers run only while the window is in service (not retired).
template <class Handler, class... Args>
void fire(const Window& window, const Handler& handler, Args&&... args)
{
    if (!window.isRetired() && handler) {
        const auto copy = handler; // it may retire the window that holds it
        copy(std::forward<Args>(args)...);
    }
}

// The primary monitor's dpi when the program started, for every font it makes.
unsigned fontDpi()
{
    static const unsigned dpi = primaryMonitorDpi();
    return dpi;
}

// A font of `points` at the primary monitor's dpi; an empty family is the caption face.
HFONT makeFont(const Font& font, double defaultPoints)
{
    LOGFONTW lf{};
    const double points = font.points > 0 ? font.points : defaultPoints;
    lf.lfHeight = -static_cast<LONG>(std::lround(points * fontDpi() / 72.0));
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = font.family.empty() ? L"Arial" : win32::toWide(font.family);
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return ::CreateFontIndirectW(&lf);
}

// The system's message font, which the standard controls would otherwise not use.
const LOGFONTW& messageFont()
{
    static const LOGFONTW font = [] {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        return metrics.lfMessageFont;
    }();
    return font;
}

double messageFontPoints()
{
    const LONG height = messageFont().lfHeight;
    return height != 0 ? std::abs(height) * 72.0 / fontDpi() : 9.0;
}

HFONT sharedMessageFont()
{
    static const HFONT font = ::CreateFontIndirectW(&messageFont());
    return font;
}

// Owns a GDI object.
template <class Handle>
class Gdi {
public:
    Gdi() = default;
    explicit Gdi(Handle handle) : handle_(handle) {}
    ~Gdi() { reset(); }
    Gdi(const Gdi&) = delete;
    Gdi& operator=(const Gdi&) = delete;
    void reset(Handle handle = nullptr)
    {
        if (handle_)
            ::DeleteObject(handle_);
        handle_ = handle;
    }
    Handle get() const { return handle_; }

private:
    Handle handle_ = nullptr;
};

// The game's icon, drawn as on Linux, when the program carries none.
HICON drawnGameIcon()
{
    constexpr int side = 40;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = side;
    header.bV5Height = -side;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = ::GetDC(nullptr);
    const HBITMAP colour =
        ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    if (!colour)
        return nullptr;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const auto fill = [&](int x, int y, int w, int h, std::uint32_t rgb) {
        for (int row = y; row < y + h; ++row)
            for (int column = x; column < x + w; ++column)
                pixels[row * side + column] = 0xFF000000u | rgb;
    };
    fill(0, 0, side, side, 0xFFFFFF);
    fill(0, 32, 40, 8, 0x000000);  // ground
    fill(26, 24, 14, 8, 0x800080); // launch pad
    fill(30, 4, 8, 8, 0x00FF00);   // goal
    fill(0, 28, 6, 4, 0xFF8000);   // climbing surface
    fill(8, 12, 14, 14, 0xFF0000); // the player, mid-leap
    const HBITMAP mask = ::CreateBitmap(side, side, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    const HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(mask);
    ::DeleteObject(colour);
    return icon;
}

BOOL CALLBACK firstIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found)
{
    *reinterpret_cast<LPCWSTR*>(found) = IS_INTRESOURCE(name) ? name : nullptr;
    return FALSE;
}

// The icon the program file carries (its first), else the drawn one.
HICON gameIcon(bool small)
{
    static bool made = false;
    static HICON big = nullptr;
    static HICON little = nullptr;
    if (!made) {
        made = true;
        LPCWSTR name = nullptr;
        ::EnumResourceNamesW(nullptr, RT_GROUP_ICON, firstIconGroup, reinterpret_cast<LONG_PTR>(&name));
        if (name) {
            big = static_cast<HICON>(::LoadImageW(instance(), name, IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                  ::GetSystemMetrics(SM_CYICON), LR_SHARED));
            little = static_cast<HICON>(::LoadImageW(instance(), name, IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        }
        if (!big)
            big = drawnGameIcon();
        if (!little)
            little = big;
    }
    return small ? little : big;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Controls

class Win32Window;

// What every control of this backend has: its window and the messages its form passes on.
class Win32Child {
public:
    explicit Win32Child(Win32Window& window) : window_(window) {}
    virtual ~Win32Child()
    {
        if (hwnd_) {
            ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            ::DestroyWindow(hwnd_);
        }
    }
    Win32Child(const Win32Child&) = delete;
    Win32Child& operator=(const Win32Child&) = delete;
    HWND hwnd() const { return hwnd_; }
    // WM_COMMAND and WM_HSCROLL from a standard control, through its form.
    virtual void command(int /*code*/) {}
    virtual void scroll(int /*code*/) {}
    // The messages of our own control classes.
    virtual LRESULT message(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    static Win32Child* of(HWND window)
    {
        return window ? reinterpret_cast<Win32Child*>(::GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
    }
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (Win32Child* child = of(window))
            return child->message(message, wParam, lParam);
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

protected:
    void create(const wchar_t* windowClass, DWORD style);
    Win32Window& window_;
    HWND hwnd_ = nullptr;
};

template <class Base>
class Win32Control : public Base, public Win32Child {
public:
    using Win32Child::Win32Child;
    void setGeometry(PixelRect rect) override
    {
        rect_ = rect;
        place();
    }
    PixelRect geometry() const override { return rect_; }
    void setVisible(bool visible) override { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
    bool isVisible() const override { return (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    void setName(const std::string& name) override { name_ = name; }

protected:
    virtual void place() { ::MoveWindow(hwnd_, rect_.x, rect_.y, rect_.width, rect_.height, TRUE); }
    PixelRect rect_;
    std::string name_;
};

class Win32Window final : public Window {
public:
    explicit Win32Window(Win32WindowSystem& system) : system_(system)
    {
        hwnd_ = ::CreateWindowExW(0, kFormClass, L"", style_, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                                  instance(), nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Win32Window() override;
    HWND hwnd() const { return hwnd_; }
    HBRUSH background() const { return ::GetSysColorBrush(highlight_ ? COLOR_HIGHLIGHT : COLOR_BTNFACE); }
    Win32WindowSystem& system() const { return system_; }

    void setCaption(const std::string& caption) override
    {
        caption_ = caption;
        ::SetWindowTextW(hwnd_, win32::toWide(caption).c_str());
    }
    std::string caption() const override { return caption_; }
    void setFixedDialog(bool tool) override
    {
        style_ = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        exStyle_ = tool ? WS_EX_TOOLWINDOW : WS_EX_DLGMODALFRAME;
        const PixelSize size = clientSize();
        ::SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(style_ | (isVisible() ? WS_VISIBLE : 0)));
        ::SetWindowLongW(hwnd_, GWL_EXSTYLE, static_cast<LONG>(exStyle_));
        ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        setClientSize(size);
    }
    void setShowWithoutActivating(bool on) override { showWithoutActivating_ = on; }
    bool showsWithoutActivating() const override { return showWithoutActivating_; }
    void setHighlightBackground() override
    {
        highlight_ = true;
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
    void setGameIcon() override
    {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(gameIcon(false)));
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(gameIcon(true)));
    }
    void setOwner(Window& owner) override
    {
        ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(static_cast<Win32Window&>(owner).hwnd_));
    }

    void setClientSize(PixelSize size) override
    {
        const RECT frame = frameAround(size);
        ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    PixelSize clientSize() const override
    {
        RECT r{};
        ::GetClientRect(hwnd_, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    void moveClientTo(PixelPoint at) override
    {
        const RECT frame = frameAround(clientSize());
        ::SetWindowPos(hwnd_, nullptr, at.x + frame.left, at.y + frame.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    PixelPoint clientPosition() const override
    {
        POINT origin{0, 0};
        ::ClientToScreen(hwnd_, &origin);
        return {origin.x, origin.y};
    }
    PixelSize frameExtra() const override
    {
        const PixelRect outer = frameRect();
        const PixelSize inner = clientSize();
        return {outer.width - inner.width, outer.height - inner.height};
    }
    PixelRect frameRect() const override
    {
        RECT r{};
        ::GetWindowRect(hwnd_, &r);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    void moveFrameTo(PixelPoint at) override
    {
        ::SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void show() override { ::ShowWindow(hwnd_, showWithoutActivating_ ? SW_SHOWNOACTIVATE : SW_SHOW); }
    void hide() override { ::ShowWindow(hwnd_, SW_HIDE); }
    bool isVisible() const override { return ::IsWindowVisible(hwnd_) != FALSE; }
    void raise() override
    {
        ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | (showWithoutActivating_ ? SWP_NOACTIVATE : 0));
    }
    void activate() override
    {
        ::SetForegroundWindow(hwnd_);
        ::SetActiveWindow(hwnd_);
    }
    bool isExposed() const override { return isVisible() && !::IsIconic(hwnd_); }
    void repaintNow() override
    {
        if (isVisible())
            ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    Label& addLabel() override;
    Shape& addShape(Shape::Kind kind) override;
    CommandButton& addCommandButton() override;
    DropDownList& addDropDownList() override;
    HScrollBar& addHScrollBar() override;
    Timer& addTimer() override;
    PlayfieldSurface& addPlayfieldSurface() override;

    LRESULT message(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    void stopTimers() override;

private:
    RECT frameAround(PixelSize size) const
    {
        RECT r{0, 0, size.width, size.height};
        ::AdjustWindowRectEx(&r, style_, FALSE, exStyle_);
        return r;
    }
    template <class T, class... Args>
    T& add(Args&&... args)
    {
        auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& result = *control;
        controls_.push_back(std::move(control));
        return result;
    }

    Win32WindowSystem& system_;
    HWND hwnd_ = nullptr;
    DWORD style_ = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    DWORD exStyle_ = 0;
    std::string caption_;
    bool highlight_ = false;
    bool showWithoutActivating_ = false;
    std::vector<std::unique_ptr<Win32Timer>> timers_;
    std::vector<std::unique_ptr<Win32Child>> controls_;
};

void Win32Child::create(const wchar_t* windowClass, DWORD style)
{
    hwnd_ = ::CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0, 0,
                              window_.hwnd(), nullptr, instance(), nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(sharedMessageFont()), FALSE);
    // Later controls lie above: the system puts a new child below its siblings.
    ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

class Win32Label final : public Win32Control<Label> {
public:
    explicit Win32Label(Win32Window& window) : Win32Control(window) { create(kLabelClass, 0); }
    void setText(const std::string& text) override
    {
        if (text == text_)
            return;
        text_ = text;
        wide_ = win32::toWide(text);
        // The label draws its text itself; as its window text a screen reader reads it too.
        ::SetWindowTextW(hwnd_, wide_.c_str());
        refit();
    }
    std::string text() const override { return text_; }
    void setFont(const Font& font) override
    {
        designed_ = font;
        refit();
    }
    void setAlignment(Alignment alignment) override
    {
        alignment_ = alignment;
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    }
    void setShrinkToFit(bool shrink) override
    {
        shrink_ = shrink;
        refit();
    }
    int textWidth() const override
    {
        fitted();
        return measure(font_.get(), 0x7FFF).cx;
    }
    void setBackground(std::optional<std::uint32_t> colour) override
    {
        background_ = colour;
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    }

    LRESULT message(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_PAINT: paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            ::SetCapture(hwnd_);
            return 0;
        case WM_LBUTTONUP: {
            const bool was = pressed_;
            pressed_ = false;
            ::ReleaseCapture();
            RECT r{};
            ::GetClientRect(hwnd_, &r);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (was && ::PtInRect(&r, at))
                fire(window_, onClick); // the handler may unload the window; nothing of this label is used after
            return 0;
        }
        case WM_CAPTURECHANGED: pressed_ = false; return 0;
        default: return Win32Child::message(message, wParam, lParam);
        }
    }

protected:
    void place() override
    {
        Win32Control::place();
        refit();
    }

private:
    bool multiLine() const { return wide_.find(L'\n') != std::wstring::npos; }
    UINT format() const
    {
        UINT flags = DT_NOPREFIX;
        if (multiLine())
            flags |= DT_WORDBREAK | (alignment_ == Alignment::Left ? DT_LEFT : DT_CENTER);
        else if (alignment_ == Alignment::Left)
            flags |= DT_SINGLELINE | DT_LEFT | DT_VCENTER;
        else if (alignment_ == Alignment::TopCentre)
            flags |= DT_SINGLELINE | DT_CENTER | DT_TOP;
        else
            flags |= DT_SINGLELINE | DT_CENTER | DT_VCENTER;
        return flags;
    }
    SIZE measure(HFONT font, int width) const
    {
        const HDC dc = ::GetDC(hwnd_);
        const HGDIOBJ old = ::SelectObject(dc, font);
        RECT r{0, 0, width, 0};
        ::DrawTextW(dc, wide_.c_str(), static_cast<int>(wide_.size()), &r, format() | DT_CALCRECT);
        ::SelectObject(dc, old);
        ::ReleaseDC(hwnd_, dc);
        return {r.right - r.left, r.bottom - r.top};
    }
    // Fitted when next painted or measured: a window being built sets text, font and place
    // one after the other.
    void refit()
    {
        fitted_ = false;
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    }
    void fitted() const
    {
        if (!fitted_)
            fit();
    }
    // The designed font, or with shrinking the largest size down to half of it at which the
    // caption fits; what does not fit even then is cut with an ellipsis.
    void fit() const
    {
        fitted_ = true;
        const double designed = designed_.points > 0 ? designed_.points : messageFontPoints();
        Font font = designed_;
        font.points = designed;
        font_.reset(makeFont(font, designed));
        elide_ = false;
        if (shrink_ && !wide_.empty()) {
            for (double size = designed; !fits(font_.get());) {
                size -= 0.25;
                if (size < designed / 2) {
                    elide_ = true;
                    break;
                }
                font.points = size;
                font_.reset(makeFont(font, size));
            }
        }
    }
    bool fits(HFONT font) const
    {
        const SIZE needed = measure(font, rect_.width);
        return needed.cx <= rect_.width && needed.cy <= rect_.height;
    }
    void paint()
    {
        fitted();
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(hwnd_, &ps);
        RECT r{};
        ::GetClientRect(hwnd_, &r);
        if (background_) {
            const Gdi<HBRUSH> brush(::CreateSolidBrush(colorOf(*background_)));
            ::FillRect(dc, &r, brush.get());
        } else {
            ::FillRect(dc, &r, window_.background());
        }
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        const HGDIOBJ old = ::SelectObject(dc, font_.get());
        ::DrawTextW(dc, wide_.c_str(), static_cast<int>(wide_.size()), &r, format() | (elide_ ? DT_END_ELLIPSIS : 0));
        ::SelectObject(dc, old);
        ::EndPaint(hwnd_, &ps);
    }

    std::string text_;
    std::wstring wide_;
    Font designed_;
    // The fitted font, made when first needed.
    mutable Gdi<HFONT> font_;
    Alignment alignment_ = Alignment::Left;
    bool shrink_ = false;
    mutable bool fitted_ = false;
    mutable bool elide_ = false;
    bool pressed_ = false;
    std::optional<std::uint32_t> background_;
};

class Win32Shape final : public Win32Control<Shape> {
public:
    Win32Shape(Win32Window& window, Kind kind) : Win32Control(window), kind_(kind) { create(kShapeClass, 0); }
    Kind kind() const override { return kind_; }
    void setFill(std::uint32_t colour) override
    {
        if (fill_ != colour) {
            fill_ = colour;
            ::InvalidateRect(hwnd_, nullptr, FALSE);
        }
    }
    std::uint32_t fill() const override { return fill_; }
    void setBorder(std::optional<std::uint32_t> colour) override
    {
        if (border_ != colour) {
            border_ = colour;
            ::InvalidateRect(hwnd_, nullptr, FALSE);
        }
    }
    std::optional<std::uint32_t> border() const override { return border_; }
    void raise() override { ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }

    LRESULT message(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_PAINT: paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_NCHITTEST: return HTTRANSPARENT; // the mouse goes to what lies below
        default: return Win32Child::message(message, wParam, lParam);
        }
    }

private:
    void paint()
    {
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(hwnd_, &ps);
        RECT all{};
        ::GetClientRect(hwnd_, &all);
        ::FillRect(dc, &all, window_.background());
        RECT area = all;
        if (kind_ == Kind::RoundedSquare || kind_ == Kind::Circle) {
            const int side = std::min(all.right, all.bottom);
            area.left = (all.right - side) / 2;
            area.top = (all.bottom - side) / 2;
            area.right = area.left + side;
            area.bottom = area.top + side;
        }
        const Gdi<HBRUSH> brush(::CreateSolidBrush(colorOf(fill_)));
        const Gdi<HPEN> pen(border_ ? ::CreatePen(PS_SOLID, 1, colorOf(*border_)) : nullptr);
        const HGDIOBJ oldBrush = ::SelectObject(dc, brush.get());
        const HGDIOBJ oldPen =
            ::SelectObject(dc, pen.get() ? static_cast<HGDIOBJ>(pen.get()) : ::GetStockObject(NULL_PEN));
        // Without a pen GDI leaves out the last column and row.
        const int extra = border_ ? 0 : 1;
        const int diameter = std::min(area.right - area.left, area.bottom - area.top) / 3;
        switch (kind_) {
        case Kind::Rectangle: ::Rectangle(dc, area.left, area.top, area.right + extra, area.bottom + extra); break;
        case Kind::RoundedRectangle:
        case Kind::RoundedSquare:
            ::RoundRect(dc, area.left, area.top, area.right + extra, area.bottom + extra, diameter, diameter);
            break;
        case Kind::Circle: ::Ellipse(dc, area.left, area.top, area.right + extra, area.bottom + extra); break;
        }
        ::SelectObject(dc, oldPen);
        ::SelectObject(dc, oldBrush);
        ::EndPaint(hwnd_, &ps);
    }

    Kind kind_;
    std::uint32_t fill_ = 0xFFFFFF;
    std::optional<std::uint32_t> border_;
};

class Win32CommandButton final : public Win32Control<CommandButton> {
public:
    explicit Win32CommandButton(Win32Window& window) : Win32Control(window)
    {
        create(WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP);
    }
    void setCaption(const std::string& caption) override
    {
        caption_ = caption;
        ::SetWindowTextW(hwnd_, win32::toWide(caption).c_str());
    }
    std::string caption() const override { return caption_; }
    void setEnabled(bool enabled) override { ::EnableWindow(hwnd_, enabled); }
    bool isEnabled() const override { return ::IsWindowEnabled(hwnd_) != FALSE; }
    void command(int code) override
    {
        // A click queued before the button was disabled does nothing, as input to it would not.
        if (code == BN_CLICKED && isEnabled())
            fire(window_, onClick);
    }

private:
    std::string caption_;
};

class Win32DropDownList final : public Win32Control<DropDownList> {
public:
    explicit Win32DropDownList(Win32Window& window) : Win32Control(window)
    {
        create(WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
    }
    void setFont(const Font& font) override
    {
        font_.reset(makeFont(font, messageFontPoints()));
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        place();
    }
    void clear() override { ::SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }
    void addItem(const std::string& text) override
    {
        ::SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::toWide(text).c_str()));
    }
    int count() const override { return static_cast<int>(::SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
    std::string itemText(int index) const override
    {
        const LRESULT length = ::SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == CB_ERR)
            return {};
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return win32::fromWide(text);
    }
    int currentIndex() const override
    {
        const LRESULT index = ::SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
        return index == CB_ERR ? -1 : static_cast<int>(index);
    }
    void setCurrentIndex(int index) override
    {
        ::SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index < 0 ? -1 : index), 0);
    }
    // A pick from the open list ends in CBN_SELENDOK, the same entry again too; an arrow key on
    // the closed list changes the selection (CBN_SELCHANGE) only. Each counts once.
    void command(int code) override
    {
        switch (code) {
        case CBN_DROPDOWN: dropped_ = true; break;
        case CBN_CLOSEUP:
            // The pick's own notification may follow the close.
            window_.system().post([alive = alive_, this] {
                if (*alive)
                    dropped_ = false;
            });
            break;
        case CBN_SELENDOK:
            if (dropped_) {
                dropped_ = false;
                fire(window_, onClick);
            }
            break;
        case CBN_SELCHANGE:
            if (!dropped_ && !::SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0))
                fire(window_, onClick);
            break;
        default: break;
        }
    }
    ~Win32DropDownList() override { *alive_ = false; }

protected:
    void place() override
    {
        // A combo box's window holds its open list too: the rectangle is the closed box.
        if (rect_.height > 8)
            ::SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), rect_.height - 6);
        ::MoveWindow(hwnd_, rect_.x, rect_.y, rect_.width, rect_.height + 300, TRUE);
    }

private:
    Gdi<HFONT> font_;
    bool dropped_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class Win32HScrollBar final : public Win32Control<HScrollBar> {
public:
    explicit Win32HScrollBar(Win32Window& window) : Win32Control(window) { create(WC_SCROLLBARW, SBS_HORZ); }
    void setRange(int minimum, int maximum) override
    {
        minimum_ = minimum;
        maximum_ = std::max(minimum, maximum);
        SCROLLINFO info{sizeof info, SIF_RANGE, minimum_, maximum_, 0, 0, 0};
        ::SetScrollInfo(hwnd_, SB_CTL, &info, TRUE);
        setValue(value_);
    }
    int minimum() const override { return minimum_; }
    int maximum() const override { return maximum_; }
    void setSmallChange(int step) override { small_ = step; }
    int smallChange() const override { return small_; }
    void setLargeChange(int step) override { large_ = step; }
    int largeChange() const override { return large_; }
    int value() const override { return value_; }
    void setValue(int value) override
    {
        const int clamped = std::clamp(value, minimum_, maximum_);
        if (clamped == value_ && shown_ == value_)
            return;
        const bool changed = clamped != value_;
        value_ = clamped;
        shown_ = clamped;
        SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, clamped, 0};
        ::SetScrollInfo(hwnd_, SB_CTL, &info, TRUE);
        if (changed)
            fire(window_, onChange);
    }
    void scroll(int code) override
    {
        switch (code) {
        case SB_LINELEFT: setValue(value_ - small_); break;
        case SB_LINERIGHT: setValue(value_ + small_); break;
        case SB_PAGELEFT: setValue(value_ - large_); break;
        case SB_PAGERIGHT: setValue(value_ + large_); break;
        case SB_LEFT: setValue(minimum_); break;
        case SB_RIGHT: setValue(maximum_); break;
        case SB_THUMBTRACK: {
            SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
            ::GetScrollInfo(hwnd_, SB_CTL, &info);
            fire(window_, onScroll);
            setValue(info.nTrackPos);
            break;
        }
        default: break;
        }
    }

private:
    int minimum_ = 0;
    int maximum_ = 99;
    int small_ = 1;
    int large_ = 10;
    int value_ = 0;
    int shown_ = -1;
};

class Win32PlayfieldSurface final : public Win32Control<PlayfieldSurface> {
public:
    explicit Win32PlayfieldSurface(Win32Window& window) : Win32Control(window) { create(kPlayfieldClass, 0); }
    void setPixels(const std::uint32_t* pixels, int width, int height) override
    {
        if (pixels && width > 0 && height > 0) {
            pixels_ = pixels;
            if (width != width_ || height != height_) {
                width_ = width;
                height_ = height;
                BITMAPINFO info{};
                info.bmiHeader.biSize = sizeof info.bmiHeader;
                info.bmiHeader.biWidth = width;
                info.bmiHeader.biHeight = -height; // top row first, as the buffer
                info.bmiHeader.biPlanes = 1;
                info.bmiHeader.biBitCount = 32;
                info.bmiHeader.biCompression = BI_RGB;
                void* bits = nullptr;
                dib_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
                bits_ = dib_.get() ? static_cast<std::uint32_t*>(bits) : nullptr;
            }
        } else {
            pixels_ = nullptr;
            width_ = height_ = 0;
            dib_.reset();
            bits_ = nullptr;
        }
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    }
    void setPlayer(PixelRect rect, std::uint32_t colour, bool visible) override
    {
        const RECT before = shownPlayer();
        const bool looksDifferent = colour != colour_;
        player_ = rect;
        colour_ = colour;
        visible_ = visible;
        const RECT after = shownPlayer();
        if (::EqualRect(&before, &after) && !looksDifferent)
            return;
        ::InvalidateRect(hwnd_, &before, FALSE);
        ::InvalidateRect(hwnd_, &after, FALSE);
    }
    PixelRect playerRect() const override { return player_; }
    std::uint32_t playerColour() const override { return colour_; }
    bool playerVisible() const override { return visible_; }

    LRESULT message(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_PAINT: paint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN: return mouseDown(1, wParam, lParam);
        case WM_RBUTTONDOWN: return mouseDown(2, wParam, lParam);
        case WM_MBUTTONDOWN: return mouseDown(4, wParam, lParam);
        default: return Win32Child::message(message, wParam, lParam);
        }
    }

private:
    RECT shownPlayer() const
    {
        if (!visible_ || player_.width <= 0 || player_.height <= 0)
            return RECT{0, 0, 0, 0};
        return RECT{player_.x, player_.y, player_.right(), player_.bottom()};
    }
    LRESULT mouseDown(int button, WPARAM keys, LPARAM at)
    {
        const int shift =
            ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) | (::GetKeyState(VK_MENU) < 0 ? 4 : 0);
        fire(window_, onMouseDown, button, shift, PixelPoint{GET_X_LPARAM(at), GET_Y_LPARAM(at)});
        return 0;
    }
    void paint()
    {
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(hwnd_, &ps);
        const RECT picture{0, 0, width_, height_};
        RECT inside{};
        if (bits_ && pixels_ && ::IntersectRect(&inside, &ps.rcPaint, &picture)) {
            // 0x00BBGGRR becomes the DIB's B, G, R, X bytes, exactly: no blending, no smoothing.
            for (int y = inside.top; y < inside.bottom; ++y) {
                const std::uint32_t* from = pixels_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
                std::uint32_t* to = bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
                for (int x = inside.left; x < inside.right; ++x) {
                    const std::uint32_t v = from[x];
                    to[x] = ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
                }
            }
            const HDC memory = ::CreateCompatibleDC(dc);
            const HGDIOBJ old = ::SelectObject(memory, dib_.get());
            drawPlayer(memory, inside);
            ::BitBlt(dc, inside.left, inside.top, inside.right - inside.left, inside.bottom - inside.top, memory,
                     inside.left, inside.top, SRCCOPY);
            ::SelectObject(memory, old);
            ::DeleteDC(memory);
        }
        // Beyond the picture (a client area the window system made larger) is free space.
        const HRGN rest = ::CreateRectRgnIndirect(&ps.rcPaint);
        const HRGN shown = ::CreateRectRgnIndirect(&inside);
        ::CombineRgn(rest, rest, shown, RGN_DIFF);
        ::FillRgn(dc, rest, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::SelectClipRgn(dc, rest);
        drawPlayer(dc, ps.rcPaint);
        ::SelectClipRgn(dc, nullptr);
        ::DeleteObject(shown);
        ::DeleteObject(rest);
        ::EndPaint(hwnd_, &ps);
    }
    void drawPlayer(HDC dc, const RECT& within) const
    {
        const RECT player = shownPlayer();
        RECT overlap{};
        if (!::IntersectRect(&overlap, &player, &within))
            return;
        const int save = ::SaveDC(dc);
        // Never beyond the player's rectangle, which alone is repainted when it moves.
        ::IntersectClipRect(dc, overlap.left, overlap.top, overlap.right, overlap.bottom);
        const Gdi<HBRUSH> brush(::CreateSolidBrush(colorOf(colour_)));
        ::SelectObject(dc, brush.get());
        ::SelectObject(dc, ::GetStockObject(NULL_PEN));
        const int diameter = std::min(player_.width, player_.height) / 3;
        ::RoundRect(dc, player.left, player.top, player.right + 1, player.bottom + 1, diameter, diameter);
        ::RestoreDC(dc, save);
    }

    const std::uint32_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    Gdi<HBITMAP> dib_;
    std::uint32_t* bits_ = nullptr;
    PixelRect player_;
    std::uint32_t colour_ = 0;
    bool visible_ = false;
};

// The multimedia timer's calls, loaded with the first timer that starts: a start that shows
// only the launcher does without the library.
struct MultimediaTimer {
    using Period = MMRESULT(WINAPI*)(UINT);
    using SetEvent = MMRESULT(WINAPI*)(UINT, UINT, LPTIMECALLBACK, DWORD_PTR, UINT);
    using KillEvent = MMRESULT(WINAPI*)(UINT);
    Period beginPeriod = nullptr;
    Period endPeriod = nullptr;
    SetEvent setEvent = nullptr;
    KillEvent killEvent = nullptr;

    static const MultimediaTimer& get()
    {
        static const MultimediaTimer calls = [] {
            MultimediaTimer c;
            if (const HMODULE winmm = ::LoadLibraryW(L"winmm.dll")) {
                c.beginPeriod = function<Period>(winmm, "timeBeginPeriod");
                c.endPeriod = function<Period>(winmm, "timeEndPeriod");
                c.setEvent = function<SetEvent>(winmm, "timeSetEvent");
                c.killEvent = function<KillEvent>(winmm, "timeKillEvent");
            }
            // A resolution of one millisecond for the program's life, which ends its use.
            if (c.beginPeriod)
                c.beginPeriod(1);
            return c;
        }();
        return calls;
    }
    template <class Function>
    static Function function(HMODULE module, const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
    }
};

// Periodic ticks of the multimedia timer, at the resolution of one millisecond that the
// window system asks for: a window timer would follow the system's 15.6 ms clock. The timer's
// thread only posts a tick to the message window; one tick waits at most, as window timers do.
class Win32Timer final : public Timer {
public:
    Win32Timer(Win32Window& window) : window_(window), system_(window.system()), id_(system_.addTimer(*this)) {}
    ~Win32Timer() override
    {
        stop();
        system_.removeTimer(id_);
    }
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    void setInterval(int milliseconds) override
    {
        interval_ = std::max(0, milliseconds);
        if (isEnabled())
            start();
    }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override
    {
        if (enabled)
            start();
        else
            stop();
    }
    bool isEnabled() const override { return running_ != 0; }

    // A tick reached the message window.
    void tick(LPARAM start)
    {
        state_.pending = false;
        if (static_cast<unsigned>(start) != state_.start || !running_ || inHandler_)
            return; // from before a restart, or the handler is still running (processEvents)
        inHandler_ = true;
        fire(window_, onTimer); // may delete this timer with its window: nothing of it is used after
    }
    void handlerDone() { inHandler_ = false; }
    bool inHandler() const { return inHandler_; }

private:
    struct State {
        std::atomic<bool> pending{false};
        std::atomic<unsigned> start{0};
        HWND target = nullptr;
        int id = 0;
    };
    static void CALLBACK ticked(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
    {
        auto* state = reinterpret_cast<State*>(user);
        if (!state->pending.exchange(true))
            ::PostMessageW(state->target, kTick, static_cast<WPARAM>(state->id),
                           static_cast<LPARAM>(state->start.load()));
    }
    void start()
    {
        stop();
        state_.target = system_.messageWindow();
        state_.id = id_;
        state_.start = state_.start + 1;
        state_.pending = false;
        const MultimediaTimer& calls = MultimediaTimer::get();
        if (calls.setEvent && calls.killEvent)
            running_ = calls.setEvent(static_cast<UINT>(std::max(1, interval_)), 1, &Win32Timer::ticked,
                                      reinterpret_cast<DWORD_PTR>(&state_),
                                      TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    }
    void stop()
    {
        if (running_)
            MultimediaTimer::get().killEvent(running_); // synchronous: no tick is posted after it
        running_ = 0;
    }

    Win32Window& window_;
    Win32WindowSystem& system_;
    int id_;
    int interval_ = 0;
    MMRESULT running_ = 0;
    bool inHandler_ = false;
    State state_;
};

Win32Window::~Win32Window()
{
    timers_.clear();
    controls_.clear();
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
}

Label& Win32Window::addLabel() { return add<Win32Label>(); }
Shape& Win32Window::addShape(Shape::Kind kind) { return add<Win32Shape>(kind); }
CommandButton& Win32Window::addCommandButton() { return add<Win32CommandButton>(); }
DropDownList& Win32Window::addDropDownList() { return add<Win32DropDownList>(); }
HScrollBar& Win32Window::addHScrollBar() { return add<Win32HScrollBar>(); }
Timer& Win32Window::addTimer()
{
    timers_.push_back(std::make_unique<Win32Timer>(*this));
    return *timers_.back();
}
PlayfieldSurface& Win32Window::addPlayfieldSurface() { return add<Win32PlayfieldSurface>(); }

void Win32Window::stopTimers()
{
    for (const auto& timer : timers_)
        timer->setEnabled(false);
}

LRESULT Win32Window::message(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT r{};
        ::GetClientRect(hwnd_, &r);
        ::FillRect(reinterpret_cast<HDC>(wParam), &r, background());
        return 1;
    }
    case WM_CLOSE:
        // The window system asks to close: the form unloads, which is never refused. It hides
        // and disposes of this window itself.
        fire(*this, onCloseRequest);
        return 0;
    case WM_COMMAND:
        if (Win32Child* child = Win32Child::of(reinterpret_cast<HWND>(lParam)))
            child->command(HIWORD(wParam));
        return 0;
    case WM_HSCROLL:
        if (Win32Child* child = Win32Child::of(reinterpret_cast<HWND>(lParam)))
            child->scroll(LOWORD(wParam));
        return 0;
    case WM_WINDOWPOSCHANGED:
    case WM_ACTIVATE: {
        const LRESULT result = ::DefWindowProcW(hwnd_, message, wParam, lParam);
        fire(*this, onGeometryChanged); // shown, moved, resized or activated
        return result;
    }
    case WM_ACTIVATEAPP:
        if (!wParam)
            system_.releaseKeys(); // releases would not reach us
        break;
    default: break;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

namespace {

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto* form = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA)))
        return form->message(message, wParam, lParam);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void registerClass(const wchar_t* name, WNDPROC proc, UINT style)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

// The form a window belongs to: its top-level window, when that is one of ours.
Win32Window* formOf(HWND window)
{
    const HWND top = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
    wchar_t name[32] = {};
    if (!top || ::GetClassNameW(top, name, 32) == 0 || std::wstring_view(name) != kFormClass)
        return nullptr;
    return reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(top, GWLP_USERDATA));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The window system

Win32WindowSystem::Win32WindowSystem()
{
    theSystem = this;
    // Without the manifest's word (a test program, say) the program asks for itself: its
    // pixels are the screen's, whatever a monitor's scale.
    if (const HMODULE user = ::GetModuleHandleW(L"user32.dll")) {
        using SetContext = BOOL(WINAPI*)(HANDLE);
        if (const auto set = reinterpret_cast<SetContext>(
                reinterpret_cast<void (*)()>(::GetProcAddress(user, "SetProcessDpiAwarenessContext"))))
            set(reinterpret_cast<HANDLE>(-4)); // per monitor, version 2
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    registerClass(kFormClass, formProc, 0);
    registerClass(kLabelClass, Win32Child::proc, CS_HREDRAW | CS_VREDRAW);
    registerClass(kShapeClass, Win32Child::proc, CS_HREDRAW | CS_VREDRAW);
    registerClass(kPlayfieldClass, Win32Child::proc, 0);
    registerClass(kMessageClass, messageProc, 0);
    messages_window_ =
        ::CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance(), nullptr);
    // Keys in a modal loop (a message box, a scroll bar's drag) count as well: a key let go
    // while the question is open is up afterwards.
    modalKeys_ = ::SetWindowsHookExW(WH_MSGFILTER, modalLoopKeys, nullptr, ::GetCurrentThreadId());
}

Win32WindowSystem::~Win32WindowSystem()
{
    disposed_.clear();
    if (modalKeys_)
        ::UnhookWindowsHookEx(modalKeys_);
    ::DestroyWindow(messages_window_);
    theSystem = nullptr;
}

Win32WindowSystem* Win32WindowSystem::current() { return theSystem; }

std::unique_ptr<Window> Win32WindowSystem::createWindow() { return std::make_unique<Win32Window>(*this); }

void Win32WindowSystem::dispose(std::unique_ptr<Window> window)
{
    if (!window)
        return;
    window->hide();
    // Deleted back in the event loop, when no handler of it can be running.
    disposed_.push_back(std::move(window));
    if (depth_ == 0)
        deleteDisposed();
}

void Win32WindowSystem::deleteDisposed()
{
    auto going = std::move(disposed_);
    disposed_.clear();
    going.clear();
}

void Win32WindowSystem::post(std::function<void()> call)
{
    calls_.push_back(std::move(call));
    ::PostMessageW(messages_window_, kCall, 0, 0);
}

bool Win32WindowSystem::routeKey(const MSG& message)
{
    switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return router_.keyDown(formOf(message.hwnd), static_cast<int>(message.wParam), shiftState(),
                               (message.lParam & (1 << 30)) != 0);
    case WM_KEYUP:
    case WM_SYSKEYUP: return router_.keyUp(formOf(message.hwnd), static_cast<int>(message.wParam), false);
    default: return true;
    }
}

void Win32WindowSystem::handle(MSG& message)
{
    if (!routeKey(message))
        return; // a key held on from another window is not for this one's controls
    ::TranslateMessage(&message);
    ++depth_;
    ::DispatchMessageW(&message);
    --depth_;
}

void Win32WindowSystem::processEvents(bool userInput)
{
    const UINT filter = userInput ? 0 : (PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
    MSG message;
    // What is pending now, not what arrives while it runs.
    for (int i = 0; i < 1000 && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | filter); ++i) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        handle(message);
    }
}

PixelRect Win32WindowSystem::availableArea()
{
    RECT area{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
        return {};
    return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

int Win32WindowSystem::run()
{
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        handle(message);
        if (!disposed_.empty())
            deleteDisposed();
    }
    return static_cast<int>(message.wParam);
}

void Win32WindowSystem::quit(int code) { ::PostQuitMessage(code); }

int Win32WindowSystem::addTimer(Win32Timer& timer)
{
    const int id = nextTimer_++;
    timers_[id] = &timer;
    return id;
}

void Win32WindowSystem::removeTimer(int id) { timers_.erase(id); }

LRESULT CALLBACK Win32WindowSystem::messageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32WindowSystem* system = theSystem;
    if (system && message == kTick) {
        const auto found = system->timers_.find(static_cast<int>(wParam));
        if (found != system->timers_.end()) {
            const int id = found->first;
            found->second->tick(lParam);
            // The handler may have deleted the timer with its window.
            const auto still = system->timers_.find(id);
            if (still != system->timers_.end())
                still->second->handlerDone();
        }
        return 0;
    }
    if (system && message == kCall) {
        if (!system->calls_.empty()) {
            auto call = std::move(system->calls_.front());
            system->calls_.pop_front();
            call();
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32WindowSystem::modalLoopKeys(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && theSystem) {
        const auto* message = reinterpret_cast<const MSG*>(lParam);
        if (message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST && !theSystem->routeKey(*message))
            return TRUE; // not for this window
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND hwndOf(const Window& window) { return static_cast<const Win32Window&>(window).hwnd(); }

HWND hwndOf(const Control& control)
{
    const auto* child = dynamic_cast<const Win32Child*>(&control);
    return child ? child->hwnd() : nullptr;
}

std::vector<std::uint32_t> grab(const Control& control)
{
    const HWND window = hwndOf(control);
    RECT r{};
    ::GetClientRect(window, &r);
    const int width = r.right;
    const int height = r.bottom;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (pixels.empty())
        return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = ::GetDC(window);
    const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    const auto* from = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t v = from[i];
        pixels[i] = ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
    }
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(window, screen);
    return pixels;
}

} // namespace hopplix
