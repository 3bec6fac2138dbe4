// The Windows backend does what the control model says, as the Qt backend does: the model's
// call on one side and what the window system shows or reports on the other. Input arrives as
// the messages the system would queue, through the backend's own event loop.

#include "forms/win32/Win32WindowSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <vector>
#include <windowsx.h>

namespace hopplix {
namespace {

std::wstring textOf(HWND window)
{
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

class Win32Backend : public ::testing::Test {
protected:
    // Lets the messages run until `done`, for `bound` at most.
    template <class Done>
    bool pumpUntil(Done done, std::chrono::milliseconds bound = std::chrono::seconds(5))
    {
        const auto end = std::chrono::steady_clock::now() + bound;
        while (!done() && std::chrono::steady_clock::now() < end) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            system.processEvents();
        }
        return done();
    }
    void pump() { system.processEvents(); }
    void post(HWND to, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        ::PostMessageW(to, message, wParam, lParam);
        pump();
    }
    void click(const Control& control, int x = 5, int y = 5)
    {
        post(hwndOf(control), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        post(hwndOf(control), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    Win32WindowSystem system;
    std::unique_ptr<Window> window = system.createWindow();
    HWND top = hwndOf(*window);
};

TEST_F(Win32Backend, WindowIsAFixedDialogWhoseCloseRequestAndKeysReachItsHandlers)
{
    window->setCaption("Levelauswahl");
    window->setFixedDialog(false);
    window->setClientSize({120, 80});
    window->setHighlightBackground();
    window->setGameIcon();
    EXPECT_EQ(textOf(top), L"Levelauswahl");
    EXPECT_NE(::SendMessageW(top, WM_GETICON, ICON_BIG, 0), 0);
    const LONG style = ::GetWindowLongW(top, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(window->clientSize(), (PixelSize{120, 80}));

    int closes = 0;
    std::vector<std::tuple<int, int, bool>> keys;
    window->onCloseRequest = [&] { ++closes; };
    window->onKeyDown = [&](int key, int shift, bool repeat) { keys.emplace_back(key, shift, repeat); };
    CommandButton& button = window->addCommandButton();
    window->show();
    EXPECT_TRUE(window->isExposed());
    post(hwndOf(button), WM_KEYDOWN, 'D', 1); // no key preview yet
    post(hwndOf(button), WM_KEYUP, 'D', 0xC0000001);
    window->setKeyPreview(true);
    post(hwndOf(button), WM_KEYDOWN, 'D', 1); // a control's key reaches its window's preview
    post(hwndOf(button), WM_KEYUP, 'D', 0xC0000001);
    post(top, WM_KEYDOWN, VK_ESCAPE, 1);
    post(top, WM_KEYDOWN, VK_ESCAPE, 0x40000001); // the keyboard's repeat
    post(top, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_EQ(keys, (std::vector<std::tuple<int, int, bool>>{
                        {vk::D, 0, false}, {vk::Escape, 0, false}, {vk::Escape, 0, true}}));
    post(top, WM_CLOSE);
    EXPECT_EQ(closes, 1);

    // Retired: hidden, and nothing reaches the handlers any more.
    window->retire();
    EXPECT_FALSE(::IsWindowVisible(top));
    post(top, WM_CLOSE);
    post(top, WM_KEYDOWN, 'D', 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(keys.size(), 3u);
}

TEST_F(Win32Backend, KeyStateIsDownNowOrPressedSinceTheLastQueryAndLetGoInAMessageBox)
{
    window->show();
    KeyState& keys = system.keys();
    post(top, WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Right));
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Right)); // held
    post(top, WM_KEYDOWN, VK_SPACE, 1);
    post(top, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Space)); // tapped between two queries
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Space));
    // Let go while a message box is open: up afterwards.
    system.post([&] {
        const HWND box = system.messageBoxes().openBoxes().back();
        ::PostMessageW(box, WM_KEYUP, VK_RIGHT, 0xC0000001);
        system.post([&] { system.messageBoxes().closeUnanswered(); });
    });
    system.messages().MsgBox("Warte", mb::vbOKOnly, "Error");
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Right));
}

// Regression: Space held while the level ended opened the launcher's level list.
TEST_F(Win32Backend, KeyHeldOnFromAnotherWindowDoesNotActInThisOne)
{
    auto other = system.createWindow();
    DropDownList& list = other->addDropDownList();
    list.addItem("Eins");
    list.addItem("Zwei");
    int previews = 0;
    other->setKeyPreview(true);
    other->onKeyDown = [&](int, int, bool) { ++previews; };
    window->show();
    other->show();
    post(top, WM_KEYDOWN, VK_DOWN, 1); // pressed in the first window, held into the other
    post(hwndOf(list), WM_KEYDOWN, VK_DOWN, 0x40000001);
    post(hwndOf(list), WM_KEYUP, VK_DOWN, 0xC0000001);
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(previews, 0);
    post(hwndOf(list), WM_KEYDOWN, VK_DOWN, 1); // pressed anew, it acts
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(previews, 1);
}

TEST_F(Win32Backend, LabelShowsItsTextOnItsBackgroundAndReportsClicks)
{
    Label& label = window->addLabel();
    label.setGeometry({10, 20, 100, 30});
    label.setFont(Font{{}, 18, true});
    label.setAlignment(Alignment::TopCentre);
    label.setText("Grün: 255");
    label.setBackground(0x0000FF);
    int clicks = 0;
    label.onClick = [&] { ++clicks; };
    EXPECT_EQ(label.geometry(), (PixelRect{10, 20, 100, 30}));
    EXPECT_EQ(label.text(), "Grün: 255");
    EXPECT_EQ(textOf(hwndOf(label)), L"Grün: 255"); // what a screen reader reads
    EXPECT_GT(label.textWidth(), 0);
    window->setClientSize({200, 100});
    window->show();
    ::UpdateWindow(top);
    EXPECT_EQ(grab(label).front(), 0x0000FFu); // the corner lies outside the text
    click(label);
    EXPECT_EQ(clicks, 1);
    label.setVisible(false);
    EXPECT_FALSE(label.isVisible());
}

TEST_F(Win32Backend, ShapeAndPlayfieldDrawExactColoursAndThePlayfieldReportsMousePresses)
{
    window->setClientSize({100, 60});
    Shape& shape = window->addShape(Shape::Kind::Rectangle);
    shape.setGeometry({50, 0, 40, 30});
    shape.setFill(0x00FF80);
    shape.setBorder(0);
    EXPECT_EQ(shape.fill(), 0x00FF80u);
    EXPECT_EQ(shape.border(), std::optional<std::uint32_t>(0));

    // Colour values are 0x00BBGGRR: red is 0x0000FF, blue 0xFF0000.
    std::vector<std::uint32_t> pixels(40 * 30, 0x00FF00);
    pixels[0] = 0x0000FF;
    pixels[1] = 0xFF0000;
    PlayfieldSurface& surface = window->addPlayfieldSurface();
    surface.setGeometry({0, 0, 40, 30});
    surface.setPixels(pixels.data(), 40, 30);
    surface.setPlayer({10, 10, 6, 6}, 0xFF0000, true);
    std::vector<std::tuple<int, int, int, int>> presses;
    surface.onMouseDown = [&](int button, int shift, PixelPoint at) {
        presses.emplace_back(button, shift, at.x, at.y);
    };
    window->show();
    ::UpdateWindow(top);
    const std::vector<std::uint32_t> shown = grab(surface);
    ASSERT_EQ(shown.size(), pixels.size());
    EXPECT_EQ(shown[0], 0x0000FFu);
    EXPECT_EQ(shown[1], 0xFF0000u);
    EXPECT_EQ(shown[2], 0x00FF00u);
    EXPECT_EQ(shown[13 * 40 + 13], 0xFF0000u); // the player
    EXPECT_EQ(shown[13 * 40 + 16], 0x00FF00u); // just beyond it
    EXPECT_EQ(surface.playerRect(), (PixelRect{10, 10, 6, 6}));
    const std::vector<std::uint32_t> drawn = grab(shape);
    EXPECT_EQ(drawn[0], 0u);                   // the border
    EXPECT_EQ(drawn[40 * 15 + 20], 0x00FF80u); // the fill

    post(hwndOf(surface), WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, MAKELPARAM(30, 20));
    EXPECT_EQ(presses, (std::vector<std::tuple<int, int, int, int>>{{2, 2, 30, 20}}));
}

TEST_F(Win32Backend, CommandButtonClicksOnlyWhenEnabled)
{
    CommandButton& button = window->addCommandButton();
    button.setCaption("Start");
    button.setGeometry({0, 0, 80, 30});
    int clicks = 0;
    button.onClick = [&] { ++clicks; };
    window->show();
    EXPECT_EQ(textOf(hwndOf(button)), L"Start");
    click(button);
    button.setEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(hwndOf(button)));
    ::SendMessageW(hwndOf(button), BM_CLICK, 0, 0);
    pump();
    EXPECT_EQ(clicks, 1);
}

TEST_F(Win32Backend, DropDownListReportsThePlayersPickButNotTheProgramsChoice)
{
    DropDownList& list = window->addDropDownList();
    list.setGeometry({0, 0, 120, 24});
    int clicks = 0;
    list.onClick = [&] { ++clicks; };
    list.addItem("Ärger");
    list.addItem("Zwei");
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.itemText(0), "Ärger");
    EXPECT_TRUE(::GetWindowLongW(hwndOf(list), GWL_STYLE) & CBS_DROPDOWNLIST);
    list.setCurrentIndex(1);
    list.setCurrentIndex(-1);
    EXPECT_EQ(list.currentIndex(), -1);
    EXPECT_EQ(clicks, 0);
    window->show();
    post(hwndOf(list), WM_KEYDOWN, VK_DOWN, 1); // where to, the system's list box decides
    EXPECT_NE(list.currentIndex(), -1);
    EXPECT_EQ(clicks, 1);
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

TEST_F(Win32Backend, ScrollBarStepsAndReportsChanges)
{
    HScrollBar& bar = window->addHScrollBar();
    bar.setRange(0, 255);
    bar.setSmallChange(1);
    bar.setLargeChange(20);
    int changes = 0;
    bar.onChange = [&] { ++changes; };
    bar.setValue(300);
    EXPECT_FALSE(::GetWindowLongW(hwndOf(bar), GWL_STYLE) & SBS_VERT);
    EXPECT_EQ(::GetScrollPos(hwndOf(bar), SB_CTL), 255);
    ::SendMessageW(top, WM_HSCROLL, SB_PAGELEFT, reinterpret_cast<LPARAM>(hwndOf(bar)));
    EXPECT_EQ(bar.value(), 235);
    ::SendMessageW(top, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(hwndOf(bar)));
    EXPECT_EQ(bar.value(), 236);
    EXPECT_EQ(changes, 3);
}

TEST_F(Win32Backend, TimerTicksAndStopsWithItsWindow)
{
    Timer& timer = window->addTimer();
    timer.setInterval(5);
    int ticks = 0;
    timer.onTimer = [&] { ++ticks; };
    timer.setEnabled(true);
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));
    window->retire();
    EXPECT_FALSE(timer.isEnabled());
    const int before = ticks;
    pumpUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(ticks, before);
}

// ---- message boxes ----------------------------------------------------------------------------

struct BoxCase {
    int style;
    int button; // the button pressed
    int answer;
};

class MessageBoxAnswer : public Win32Backend, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxAnswer, QuestionSaysJaAndNeinAndAnswersWithTheButtonPressed)
{
    std::wstring yes;
    std::wstring no;
    system.post([&] {
        const HWND box = system.messageBoxes().openBoxes().back();
        yes = textOf(::GetDlgItem(box, IDYES));
        no = textOf(::GetDlgItem(box, IDNO));
        ::SendMessageW(::GetDlgItem(box, GetParam().button), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(system.messages().MsgBox("Wirklich beenden?", GetParam().style, "Hopplix"), GetParam().answer);
    if ((GetParam().style & 7) == mb::vbYesNo) {
        EXPECT_EQ(yes, L"Ja");
        EXPECT_EQ(no, L"Nein");
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, MessageBoxAnswer,
                         ::testing::Values(BoxCase{mb::vbYesNo, IDYES, mb::vbYes}, BoxCase{mb::vbYesNo, IDNO, mb::vbNo},
                                           BoxCase{mb::vbOKOnly | mb::vbCritical, IDOK, mb::vbOK}));

TEST_F(Win32Backend, BoxClosedByTheProgramHasNoAnswer)
{
    system.post([&] { system.messages().closeUnanswered(); });
    EXPECT_EQ(system.messages().MsgBox("Wirklich beenden?", mb::vbYesNo, "Hopplix"), mb::vbNoAnswer);
}

// ---- screen -------------------------------------------------------------------------------------

TEST(ScreenTwips, AreFourteenFortyPerInch)
{
    const ScreenMetrics at96 = screenMetricsFor(1024, 768, 96, 96);
    EXPECT_DOUBLE_EQ(at96.twipsPerPixelX, 15);
    EXPECT_DOUBLE_EQ(at96.widthTwips, 15360);
    const ScreenMetrics at120 = screenMetricsFor(800, 600, 120, 144);
    EXPECT_DOUBLE_EQ(at120.twipsPerPixelX, 12);
    EXPECT_DOUBLE_EQ(at120.twipsPerPixelY, 10);
    EXPECT_DOUBLE_EQ(screenMetricsFor(800, 600, 0, 0).twipsPerPixelY, 15);
    const ScreenMetrics now = currentScreenMetrics();
    EXPECT_DOUBLE_EQ(now.twipsPerPixelX, 1440.0 / primaryMonitorDpi());
    EXPECT_DOUBLE_EQ(now.widthTwips, ::GetSystemMetrics(SM_CXSCREEN) * now.twipsPerPixelX);
}

} // namespace
} // namespace hopplix
