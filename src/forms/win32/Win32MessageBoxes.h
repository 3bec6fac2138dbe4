#pragma once
// Message boxes, the beep and the screen on Windows.

#include "common/SystemServices.h"

#include <windows.h>
#include <vector>

namespace hopplix {

// The system's message boxes, modal to the active window (to every window of the program when
// none is active). The styles understood are the sums of vbOKOnly (0) or vbYesNo (4) and
// optionally vbCritical (16), which are Windows' own values; other button sets get OK. A question's buttons say "Ja"
// and "Nein" whatever the system's language; like the system's Yes/No box it has no close box and ignores Escape.
class Win32MessageBoxes : public MessageBoxes {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void closeUnanswered() override;
    // The boxes open now, innermost last.
    const std::vector<HWND>& openBoxes() const { return open_; }

private:
    std::vector<HWND> open_;
    std::vector<HWND> closedUnanswered_;
};

class Win32Beeper : public Beeper {
public:
    void Beep() override;
};

// Screen metrics from a size in pixels and the dots per inch: twips per pixel is 1440 / dpi on
// each axis, 15 when the screen reports no usable dpi.
ScreenMetrics screenMetricsFor(int widthPixels, int heightPixels, unsigned dpiX, unsigned dpiY);
// The primary monitor's dots per inch, as this per-monitor aware program sees them.
unsigned primaryMonitorDpi();
// The primary monitor's metrics.
ScreenMetrics currentScreenMetrics();

} // namespace hopplix
