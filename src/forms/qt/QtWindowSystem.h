#pragma once
// The Qt backend of the control model: windows and controls as Qt widgets, timers as QTimers,
// one application-wide key router, message boxes with German buttons, the screen and the beep.
// Needs a QApplication for its whole life.

#include "forms/WindowSystem.h"
#include "forms/qt/QtMessageBoxes.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class QKeyEvent;
class QTimer;
class QWidget;

namespace hopplix {

class QtWindowSystem final : public QObject, public WindowSystem {
public:
    QtWindowSystem();
    ~QtWindowSystem() override;

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

protected:
    // The key router's feed: every key event of the application, once per press.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isPropagationOfLastKey(const QKeyEvent* key, QWidget* receiver) const;

    KeyRouter router_;
    QtMessageBoxes messages_;
    QtBeeper beeper_;
    std::vector<QPointer<QObject>> disposed_; // windows to delete once back in the event loop
    // The key event last seen, to tell a new key press from the same press travelling on to
    // the parent of a control that did not take it.
    const QKeyEvent* lastKey_ = nullptr;
    int lastKeyType_ = 0;
    int lastKeyCode_ = 0;
    bool lastKeyRepeat_ = false;
    bool lastKeyDelivered_ = true;
    quint64 lastKeyTime_ = 0;
    QPointer<QWidget> lastKeyReceiver_;
};

// The widgets behind the model, for the Qt backend's own tests and the benchmarks.
QWidget* widgetOf(Window& window);
QWidget* widgetOf(Control& control);
QTimer* timerOf(Timer& timer);

} // namespace hopplix
