#pragma once
// The Qt/Linux side of the platform services.

#include "common/platform.h"

#include <QObject>
#include <array>

namespace hopplix {

// Key state fed by an application-wide event filter, so every window of ours counts.
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

class QtMessageBoxes : public MessageBoxes {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
};

class QtBeeper : public Beeper {
public:
    void Beep() override;
};

// The primary screen's size in twips and twips per pixel (15 when the screen reports no dpi).
ScreenMetrics currentScreenMetrics();

} // namespace hopplix
