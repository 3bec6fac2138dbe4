#pragma once
// The window model: one Form object per window for the whole run. Loading creates the window
// and its controls and runs Form_Load; unloading runs Form_Unload, destroys the window and its
// controls, and keeps the object's variables, so the next load starts from them. Showing,
// hiding, reading the visibility of or reaching into a form that is not loaded loads it first.
//
// Unloading may happen inside a handler of one of the form's own controls (Start closes the
// launcher from its button's click): the window is retired at once (hidden, timers stopped, no
// handler runs any more) and handed to the window system, which deletes it once control
// returns to the event loop.
//
// A form speaks only the control model (forms/Controls.h); the window system behind it is
// the one the registry's services name.

#include "common/SystemServices.h"
#include "forms/Controls.h"

#include <memory>
#include <optional>

namespace hopplix {

class FormRegistry;
struct Services;
class WindowSystem;

// The client extent a window gets for a requested outer extent and the frame's share of it
// (title bar and borders), in pixels. Never negative.
int clientExtentForOuter(int outerPixels, int framePixels);

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
    Window* window(); // loads first; null only when Form_Load unloaded the form

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
    PixelSize frameExtraPixels() const;

    Services& services() const;
    WindowSystem& windowSystem() const;
    FormRegistry& forms() const { return forms_; }

protected:
    // Gives the new window its controls in their design state; runs before Form_Load.
    virtual void createControls(Window& window) = 0;
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
    // The window system told something about the window's geometry: the frame may be known now.
    void windowGeometryChanged();
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
    void keyDown(int virtualKey, int shift, bool autoRepeat);

    FormRegistry& forms_;
    std::unique_ptr<Window> window_;
    bool unloading_ = false;
    bool loading_ = false;
    bool hiddenDuringLoad_ = false;
    bool recentreWhenFrameKnown_ = false;
    bool keyAutoRepeat_ = false;
    // Outer size requested for the current window, in pixels.
    std::optional<int> outerWidthPx_;
    std::optional<int> outerHeightPx_;
    // The frame last measured on a shown window of this form; kept across loads.
    std::optional<PixelSize> knownFrame_;
    mutable std::optional<ScreenMetrics> screen_;
};

} // namespace hopplix
