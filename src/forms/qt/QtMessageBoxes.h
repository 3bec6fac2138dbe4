#pragma once
// Message boxes, the beep and the screen on Qt.

#include "common/SystemServices.h"

#include <QPointer>
#include <QSize>
#include <memory>
#include <vector>

class QMessageBox;

namespace hopplix {

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
