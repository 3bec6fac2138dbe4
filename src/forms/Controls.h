#pragma once
// The control model: a window and the controls the rules name, as the windows see them. No
// window system shows through: a backend (forms/qt for the program, forms/headless for tests)
// implements each kind. Geometry is in pixels of the client area; the form converts twips at
// its edge. Colours are colour values 0x00BBGGRR; texts are UTF-8.
//
// A window owns its controls: they live exactly as long as it does. Event handlers are plain
// callbacks; a window cut off from its form (retire) calls none of them any more.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace hopplix {

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int right() const { return x + width; } // one past the last column
    int bottom() const { return y + height; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// A caption's font. An empty family is the caption face the windows were designed with (a
// narrow sans-serif); zero points is the window system's default size.
struct Font {
    std::string family;
    double points = 0;
    bool bold = false;
    friend bool operator==(const Font&, const Font&) = default;
};

enum class Alignment {
    Left,      // left, vertically centred
    TopCentre, // centred across the top
    Centre,    // centred both ways
};

class Control {
public:
    virtual ~Control() = default;
    virtual void setGeometry(PixelRect rect) = 0;
    virtual PixelRect geometry() const = 0;
    // Whether the control is shown within its window (not whether the window is).
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    // A name for the window system's tools; no behaviour.
    virtual void setName(const std::string& name) = 0;
};

class Label : public Control {
public:
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
    virtual void setFont(const Font& font) = 0;
    virtual void setAlignment(Alignment alignment) = 0;
    // The caption shrinks below the designed font size rather than being cut off.
    virtual void setShrinkToFit(bool shrink) = 0;
    // Width in pixels that the text needs in the label's font.
    virtual int textWidth() const = 0;
    // A filled background (nullopt: the window's shows through).
    virtual void setBackground(std::optional<std::uint32_t> colour) = 0;
    // Left button pressed and released over the label.
    std::function<void()> onClick;
};

class Shape : public Control {
public:
    // Square and circle take the smaller side of the control and sit in its middle.
    enum class Kind { Rectangle, RoundedRectangle, RoundedSquare, Circle };
    virtual Kind kind() const = 0;
    virtual void setFill(std::uint32_t colour) = 0;
    virtual std::uint32_t fill() const = 0;
    // A one-pixel outline; nullopt draws none.
    virtual void setBorder(std::optional<std::uint32_t> colour) = 0;
    virtual std::optional<std::uint32_t> border() const = 0;
    // Above the controls created before it.
    virtual void raise() = 0;
};

class CommandButton : public Control {
public:
    virtual void setCaption(const std::string& caption) = 0;
    virtual std::string caption() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    std::function<void()> onClick;
};

class DropDownList : public Control {
public:
    virtual void setFont(const Font& font) = 0;
    virtual void clear() = 0;
    virtual void addItem(const std::string& text) = 0;
    virtual int count() const = 0;
    virtual std::string itemText(int index) const = 0;
    // -1: nothing selected. Setting it runs no handler.
    virtual int currentIndex() const = 0;
    virtual void setCurrentIndex(int index) = 0;
    // The user picked an entry (the same one again too).
    std::function<void()> onClick;
};

class HScrollBar : public Control {
public:
    virtual void setRange(int minimum, int maximum) = 0;
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    // The arrows move by the small change, a click in the track by the large one.
    virtual void setSmallChange(int step) = 0;
    virtual int smallChange() const = 0;
    virtual void setLargeChange(int step) = 0;
    virtual int largeChange() const = 0;
    virtual int value() const = 0;
    // Clamped to the range; a change runs onChange.
    virtual void setValue(int value) = 0;
    std::function<void()> onScroll; // the thumb is dragged
    std::function<void()> onChange; // the value changed, however
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // Enabling (again) starts a full interval.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    std::function<void()> onTimer;
};

// The playfield: a pixel buffer shown 1:1 and the player drawn over it.
class PlayfieldSurface : public Control {
public:
    // The buffer (0x00BBGGRR, row by row, `width` values a row) is read in place: it must
    // outlive the surface or be replaced first. Null: plain white.
    virtual void setPixels(const std::uint32_t* pixels, int width, int height) = 0;
    virtual void setPlayer(PixelRect rect, std::uint32_t colour, bool visible) = 0;
    virtual PixelRect playerRect() const = 0;
    virtual std::uint32_t playerColour() const = 0;
    virtual bool playerVisible() const = 0;
    // A mouse button went down: button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt.
    std::function<void(int button, int shift, PixelPoint at)> onMouseDown;
};

// A top-level window.
class Window {
public:
    virtual ~Window() = default;

    virtual void setCaption(const std::string& caption) = 0;
    virtual std::string caption() const = 0;
    // Fixed-size dialog frame without minimise and maximise buttons; `tool`: a narrow title bar.
    virtual void setFixedDialog(bool tool) = 0;
    // Showing it leaves the focus where it is.
    virtual void setShowWithoutActivating(bool on) = 0;
    virtual bool showsWithoutActivating() const = 0;
    // The system's highlight colour behind the controls.
    virtual void setHighlightBackground() = 0;
    virtual void setGameIcon() = 0;
    // Keeps the window above `owner` (a tool window of it).
    virtual void setOwner(Window& owner) = 0;

    // The client area is fixed at this size.
    virtual void setClientSize(PixelSize size) = 0;
    virtual PixelSize clientSize() const = 0;
    // The client area's top-left corner on the screen.
    virtual void moveClientTo(PixelPoint at) = 0;
    virtual PixelPoint clientPosition() const = 0;
    // The frame's share of the outer size: zero while the window system has not framed it.
    virtual PixelSize frameExtra() const = 0;
    // The outer rectangle, frame included, on the screen (the client's when unframed).
    virtual PixelRect frameRect() const = 0;
    // Moves the window so the frame's top-left corner lies at `at`.
    virtual void moveFrameTo(PixelPoint at) = 0;

    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual void raise() = 0;
    virtual void activate() = 0;
    // Shown and on the screen, so the window system has told its frame.
    virtual bool isExposed() const = 0;
    // Paints now, not when control returns to the event loop.
    virtual void repaintNow() = 0;

    // Controls, owned by the window, in creation order (later ones lie above).
    virtual Label& addLabel() = 0;
    virtual Shape& addShape(Shape::Kind kind) = 0;
    virtual CommandButton& addCommandButton() = 0;
    virtual DropDownList& addDropDownList() = 0;
    virtual HScrollBar& addHScrollBar() = 0;
    virtual Timer& addTimer() = 0;
    virtual PlayfieldSurface& addPlayfieldSurface() = 0;

    // The window system asks to close; the window stays until its owner lets it go.
    std::function<void()> onCloseRequest;
    // Shown, moved, resized or activated: the frame may have become known.
    std::function<void()> onGeometryChanged;
    // With key preview: every key press in the window, before its controls see it.
    std::function<void(int virtualKey, int shift, bool autoRepeat)> onKeyDown;
    void setKeyPreview(bool on) { keyPreview_ = on; }
    bool keyPreview() const { return keyPreview_ && !retired_; }

    // Cuts the window off for good: hidden, timers stopped, no handler of it or its controls
    // runs any more. A handler may be running when it is retired, so the handlers stay in
    // place; the backend asks isRetired() before it calls one.
    void retire()
    {
        retired_ = true;
        stopTimers();
        hide();
    }
    bool isRetired() const { return retired_; }

protected:
    virtual void stopTimers() = 0;

private:
    bool keyPreview_ = false;
    bool retired_ = false;
};

} // namespace hopplix
