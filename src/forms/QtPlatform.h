#pragma once
// The Qt/Linux side of the platform services.

#include "common/SystemServices.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <array>
#include <memory>
#include <vector>

class QMessageBox;

namespace hopplix {

// Key state fed by an application-wide event filter, so a key counts whichever of our windows
// (message boxes included) has the focus. Auto-repeat neither presses nor releases a key.
// Releases that happen while none of our windows is active never reach us, so losing the
// activation lets every key go (it stays "pressed since the last query" if it was).
class QtKeyState : public QObject, public KeyState {
    Q_OBJECT
public:
    QtKeyState();
    ~QtKeyState() override;
    bool GetAsyncKeyState(int virtualKey) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<bool, 256> down_{};
    std::array<bool, 256> pressedSinceQuery_{};
};

// Modal message boxes with German buttons. The styles understood are the sums of
// vbOKOnly (0) or vbYesNo (4) and optionally vbCritical (16); other button sets get OK.
class QtMessageBoxes : public MessageBoxes {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void closeUnanswered() override;

private:
    std::vector<QPointer<QMessageBox>> open_; // innermost last
};

// The box MsgBox shows: title, text, icon and the buttons "Ja" / "Nein" or "OK". A message
// ("OK") closes with Escape or its close box too; a question waits for "Ja" or "Nein": it has
// no close box, and Escape and a close request from the window system do nothing.
std::unique_ptr<QMessageBox> buildMessageBox(const std::string& prompt, int style, const std::string& title);
// The answer code (vbYes, vbNo, vbOK, or vbNoAnswer) for the way `box` was closed.
int answerOf(const QMessageBox& box);

class QtBeeper : public Beeper {
public:
    void Beep() override;
};

// Screen metrics from a size in pixels and the logical dots per inch: twips per pixel is
// 1440 / dpi on each axis, 15 when the screen reports no usable dpi.
ScreenMetrics screenMetricsFor(QSize sizePixels, double logicalDpiX, double logicalDpiY);
// The primary screen's metrics; the defaults of ScreenMetrics when there is no screen.
ScreenMetrics currentScreenMetrics();

} // namespace hopplix
