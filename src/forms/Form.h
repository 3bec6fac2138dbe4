#pragma once
// The window model: one Form object per window for the whole run. Loading creates the window
// and its controls and runs Form_Load; unloading runs Form_Unload, destroys the window and its
// controls, and keeps the object's variables, so the next load starts from them. Showing,
// hiding, reading the visibility of or reaching into a form that is not loaded loads it first.
//
// Unloading may happen inside a handler of one of the form's own controls (Start closes the
// launcher from its button's click): the window is hidden and cut off from the form at once
// (no more signals, timers stopped, no more key preview or close requests) and deleted when
// control returns to the event loop, or with the form at the latest.

#include "common/SystemServices.h"

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QKeyEvent;

namespace hopplix {

class FormRegistry;
struct Services;
class Form;

// The client extent a window gets for a requested outer extent and the frame's share of it
// (title bar and borders), in pixels. Never negative.
int clientExtentForOuter(int outerPixels, int framePixels);

// The top-level window of a form. It turns the window system's close request into an unload
// of its form, and with key preview passes key presses of any of its controls to the form.
class FormWindow : public QWidget {
    Q_OBJECT
public:
    explicit FormWindow(Form& form);
    ~FormWindow() override;

    // Fixed-size dialog frame without minimise and maximise buttons; `tool` for a narrow title bar.
    void makeFixedDialog(bool tool = false);
    // The form's Form_KeyDown sees every key press of every control of this window, once,
    // before the control does (auto-repeat included).
    void setKeyPreview(bool on);

    // Cuts the window off from its form: used when the form unloads.
    void detachFromForm();
    bool isDetached() const { return detached_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool isPropagationOfLastKey(const QKeyEvent* key, QWidget* receiver) const;

    Form& form_;
    bool keyPreview_ = false;
    bool detached_ = false;
    // The key event last seen, to tell a new key press from the same press travelling on to
    // the parent of a control that did not take it.
    const QKeyEvent* lastKey_ = nullptr;
    int lastKeyType_ = 0;
    int lastKeyCode_ = 0;
    quint64 lastKeyTime_ = 0;
    QPointer<QWidget> lastKeyReceiver_;
};

class Form {
public:
    explicit Form(FormRegistry& forms);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    bool isLoaded() const { return window_ != nullptr; }
    // Creates the window and runs Form_Load; nothing when loaded. Form_Load may unload the form
    // again, so callers that go on to show it check isLoaded() first.
    void Load();
    // Runs Form_Unload, then destroys the window; nothing when not loaded.
    void Unload();
    // Loads when needed and shows the window, modeless. A form whose Form_Load hid it (or
    // unloaded it) stays hidden when this Show was the call that loaded it.
    void Show();
    void Hide();
    bool Visible();
    FormWindow* window(); // loads first; null only when Form_Load unloaded the form

    // The screen as this form read it when it last loaded (before its first load: as it is
    // now). Its layout and the conversions below keep to it until the next load.
    const ScreenMetrics& screen() const;
    // Twips <-> pixels with the screen's twips per pixel; pixels are rounded half to even.
    int pxX(double twips) const;
    int pxY(double twips) const;
    double twipsX(int pixels) const;
    double twipsY(int pixels) const;

    // Outer size (frame included) in twips. Setting it fixes the window's size: the client
    // gets the outer size less the frame. The frame is known once the window has been shown
    // with a frame around it; until then the size last measured for this form is used, or
    // none (0) when it never was, and the size is set again as soon as the frame is known.
    // Both load the form first.
    void setOuterWidth(double twips);
    void setOuterHeight(double twips);
    double outerWidthTwips();
    double outerHeightTwips();
    // The height of the client area (where the controls sit) in twips.
    double clientHeightTwips();
    // The frame's share of the outer size in pixels, as far as it is known.
    QSize frameExtraPixels() const;

    Services& services() const;
    FormRegistry& forms() const { return forms_; }

    // Called by FormWindow; not for other callers.
    void keyDownFromWindow(int virtualKey, int shift, bool autoRepeat)
    {
        keyAutoRepeat_ = autoRepeat;
        Form_KeyDown(virtualKey, shift);
        keyAutoRepeat_ = false;
    }
    void closeRequestedByWindowSystem() { Unload(); }
    void windowGeometryChanged();

protected:
    // Creates the window with all its controls (the controls' design-time state).
    virtual std::unique_ptr<FormWindow> createWindow() = 0;
    // Drops pointers to the controls; runs after Form_Unload, when the controls are going away.
    virtual void controlsDestroyed() {}
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    virtual void Form_KeyDown(int /*keyCode*/, int /*shift*/) {}
    // The client area changed size because the frame became known after the size was set.
    virtual void clientAreaResized() {}
    // Whether Load centres the window on the screen after Form_Load.
    virtual bool centredOnScreen() const { return true; }

    void centreOnScreen();
    // Inside Form_KeyDown: the press is the keyboard's repeat of a held key.
    bool keyIsAutoRepeat() const { return keyAutoRepeat_; }
    // Reading a control (or a value kept with the controls) loads the form first.
    template <class T>
    T& loaded(T& member)
    {
        Load();
        return member;
    }

private:
    void applyOuterSize();

    FormRegistry& forms_;
    QPointer<FormWindow> window_;
    std::vector<QPointer<FormWindow>> retired_; // unloaded windows not yet deleted
    bool unloading_ = false;
    bool loading_ = false;
    bool hiddenDuringLoad_ = false;
    bool recentreWhenFrameKnown_ = false;
    bool keyAutoRepeat_ = false;
    // Outer size requested for the current window, in pixels.
    std::optional<int> outerWidthPx_;
    std::optional<int> outerHeightPx_;
    // The frame last measured on a shown window of this form; kept across loads.
    std::optional<QSize> knownFrame_;
    mutable std::optional<ScreenMetrics> screen_;
};

} // namespace hopplix
