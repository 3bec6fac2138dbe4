#include "forms/headless/HeadlessWindowSystem.h"

#include "forms/OwnedControls.h"

#include <algorithm>
#include <limits>

namespace hopplix::headless {

// ---- controls ---------------------------------------------------------------------------------

template <class Base>
class HeadlessControl : public Base {
public:
    explicit HeadlessControl(const Window& window) : window_(window) {}
    void setGeometry(PixelRect rect) override { rect_ = rect; }
    PixelRect geometry() const override { return rect_; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool isVisible() const override { return visible_; }
    void setName(const std::string& name) override { name_ = name; }
    // Whether the window system would deliver input to the control now.
    bool live() const { return !window_.isRetired() && window_.isVisible() && visible_; }

protected:
    bool windowRetired() const { return window_.isRetired(); }

private:
    const Window& window_;
    PixelRect rect_;
    bool visible_ = true;
    std::string name_;
};

class HeadlessLabel final : public HeadlessControl<Label> {
public:
    using HeadlessControl::HeadlessControl;
    void setText(const std::string& text) override { text_ = text; }
    std::string text() const override { return text_; }
    void setFont(const Font& font) override { font_ = font; }
    void setAlignment(Alignment alignment) override { alignment_ = alignment; }
    void setShrinkToFit(bool) override {}
    // No font: a text needs no room.
    int textWidth() const override { return 0; }
    void setBackground(std::optional<std::uint32_t> colour) override { background_ = colour; }

    std::string text_;
    std::vector<std::string> painted_;
    Font font_;
    Alignment alignment_ = Alignment::Left;
    std::optional<std::uint32_t> background_;
};

class HeadlessShape final : public HeadlessControl<Shape> {
public:
    HeadlessShape(const Window& window, Kind kind) : HeadlessControl(window), kind_(kind) {}
    Kind kind() const override { return kind_; }
    void setFill(std::uint32_t colour) override { fill_ = colour; }
    std::uint32_t fill() const override { return fill_; }
    void setBorder(std::optional<std::uint32_t> colour) override { border_ = colour; }
    std::optional<std::uint32_t> border() const override { return border_; }
    void raise() override {}

private:
    Kind kind_;
    std::uint32_t fill_ = 0xFFFFFF;
    std::optional<std::uint32_t> border_;
};

class HeadlessButton final : public HeadlessControl<CommandButton> {
public:
    using HeadlessControl::HeadlessControl;
    void setCaption(const std::string& caption) override { caption_ = caption; }
    std::string caption() const override { return caption_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }

private:
    std::string caption_;
    bool enabled_ = true;
};

class HeadlessDropDown final : public HeadlessControl<DropDownList> {
public:
    using HeadlessControl::HeadlessControl;
    void setFont(const Font& font) override { font_ = font; }
    void clear() override
    {
        items_.clear();
        current_ = -1;
    }
    void addItem(const std::string& text) override
    {
        items_.push_back(text);
        if (current_ < 0)
            current_ = 0; // as a drop-down list selects its first entry
    }
    int count() const override { return static_cast<int>(items_.size()); }
    std::string itemText(int index) const override
    {
        return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)] : std::string();
    }
    int currentIndex() const override { return current_; }
    void setCurrentIndex(int index) override { current_ = index >= 0 && index < count() ? index : -1; }

    Font font_;

private:
    std::vector<std::string> items_;
    int current_ = -1;
};

class HeadlessScrollBar final : public HeadlessControl<HScrollBar> {
public:
    using HeadlessControl::HeadlessControl;
    void setRange(int minimum, int maximum) override
    {
        min_ = minimum;
        max_ = std::max(minimum, maximum);
        setValue(value_);
    }
    int minimum() const override { return min_; }
    int maximum() const override { return max_; }
    void setSmallChange(int step) override { small_ = step; }
    int smallChange() const override { return small_; }
    void setLargeChange(int step) override { large_ = step; }
    int largeChange() const override { return large_; }
    int value() const override { return value_; }
    void setValue(int value) override
    {
        value = std::clamp(value, min_, max_);
        if (value == value_)
            return;
        value_ = value;
        if (onChange && !windowRetired()) {
            const auto handler = onChange;
            handler();
        }
    }

private:
    int min_ = 0, max_ = 100, small_ = 1, large_ = 10, value_ = 0;
};

class HeadlessTimer final : public Timer {
public:
    HeadlessTimer(HeadlessWindowSystem& system, const Window& window) : system_(system), window_(window)
    {
        system_.timerCreated(this);
    }
    ~HeadlessTimer() override { system_.timerGone(this); }
    void setInterval(int milliseconds) override
    {
        interval_ = std::max(0, milliseconds);
        if (enabled_)
            due_ = system_.now() + interval_;
    }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override
    {
        enabled_ = enabled;
        due_ = enabled ? system_.now() + interval_ : -1;
    }
    bool isEnabled() const override { return enabled_; }
    std::int64_t due() const { return enabled_ && interval_ > 0 ? due_ : -1; }
    void fire()
    {
        due_ += interval_;
        if (onTimer && !window_.isRetired()) {
            const auto handler = onTimer;
            handler();
        }
    }

private:
    HeadlessWindowSystem& system_;
    const Window& window_;
    int interval_ = 0;
    bool enabled_ = false;
    std::int64_t due_ = -1;
};

class HeadlessPlayfield final : public HeadlessControl<PlayfieldSurface> {
public:
    using HeadlessControl::HeadlessControl;
    void setPixels(const std::uint32_t*, int, int) override {}
    void setPlayer(PixelRect rect, std::uint32_t colour, bool visible) override
    {
        player_ = rect;
        colour_ = colour;
        visible_ = visible;
    }
    PixelRect playerRect() const override { return player_; }
    std::uint32_t playerColour() const override { return colour_; }
    bool playerVisible() const override { return visible_; }

private:
    PixelRect player_;
    std::uint32_t colour_ = 255;
    bool visible_ = false;
};

// ---- window -----------------------------------------------------------------------------------

class HeadlessWindow final : public Window {
public:
    explicit HeadlessWindow(HeadlessWindowSystem& system) : system_(system) {}
    ~HeadlessWindow() override
    {
        owned_.releaseControls();
        system_.windowGone(this);
    }

    void setCaption(const std::string& caption) override { caption_ = caption; }
    std::string caption() const override { return caption_; }
    void setFixedDialog(bool) override {}
    void setShowWithoutActivating(bool on) override { withoutActivating_ = on; }
    bool showsWithoutActivating() const override { return withoutActivating_; }
    void setHighlightBackground() override {}
    void setGameIcon() override {}
    void setOwner(Window&) override {}

    void setClientSize(PixelSize size) override
    {
        if (size == size_)
            return;
        size_ = size;
        geometryChanged();
    }
    PixelSize clientSize() const override { return size_; }
    void moveClientTo(PixelPoint at) override { at_ = at; }
    PixelPoint clientPosition() const override { return at_; }
    PixelSize frameExtra() const override { return visible_ ? system_.frame() : PixelSize{}; }
    PixelRect frameRect() const override
    {
        const PixelSize frame = frameExtra();
        const int side = frame.width / 2;
        return {at_.x - side, at_.y - (frame.height - side), size_.width + frame.width, size_.height + frame.height};
    }
    void moveFrameTo(PixelPoint at) override
    {
        const PixelRect outer = frameRect();
        at_ = {at_.x + at.x - outer.x, at_.y + at.y - outer.y};
    }

    void show() override
    {
        if (visible_)
            return;
        visible_ = true;
        if (!withoutActivating_)
            system_.activated(this);
        geometryChanged();
    }
    void hide() override
    {
        visible_ = false;
        if (system_.activeWindow() == this)
            system_.activated(nullptr);
    }
    bool isVisible() const override { return visible_; }
    void raise() override {}
    void activate() override
    {
        if (visible_)
            system_.activated(this);
    }
    bool isExposed() const override { return visible_; }
    void repaintNow() override
    {
        if (!visible_)
            return;
        for (const auto& control : owned_.controls())
            if (auto* label = dynamic_cast<HeadlessLabel*>(control.get()); label && label->isVisible())
                label->painted_.push_back(label->text());
    }

    Label& addLabel() override { return owned_.add<HeadlessLabel>(*this); }
    Shape& addShape(Shape::Kind kind) override { return owned_.add<HeadlessShape>(*this, kind); }
    CommandButton& addCommandButton() override { return owned_.add<HeadlessButton>(*this); }
    DropDownList& addDropDownList() override { return owned_.add<HeadlessDropDown>(*this); }
    HScrollBar& addHScrollBar() override { return owned_.add<HeadlessScrollBar>(*this); }
    Timer& addTimer() override { return owned_.addTimer(system_, *this); }
    PlayfieldSurface& addPlayfieldSurface() override { return owned_.add<HeadlessPlayfield>(*this); }

protected:
    void stopTimers() override { owned_.stopTimers(); }

private:
    void geometryChanged()
    {
        if (!isRetired() && onGeometryChanged) {
            const auto handler = onGeometryChanged;
            handler();
        }
    }

    HeadlessWindowSystem& system_;
    std::string caption_;
    bool withoutActivating_ = false;
    bool visible_ = false;
    PixelSize size_;
    PixelPoint at_;
    OwnedControls<HeadlessTimer> owned_;
};

// ---- message boxes ----------------------------------------------------------------------------

void ScriptedMessageBoxes::answerNext(int answer, std::function<void()> whileOpen)
{
    script_.push_back({answer, std::move(whileOpen)});
}

int ScriptedMessageBoxes::MsgBox(const std::string& prompt, int style, const std::string& title)
{
    shown.push_back({prompt, style, title});
    const bool question = (style & 7) == mb::vbYesNo;
    Answer next{question ? mb::vbNo : mb::vbOK, {}};
    if (!script_.empty()) {
        next = std::move(script_.front());
        script_.pop_front();
    }
    ++openBoxes_;
    if (next.whileOpen)
        next.whileOpen();
    const bool closed = closedUnanswered_ > 0;
    if (closed)
        --closedUnanswered_;
    --openBoxes_;
    return closed ? mb::vbNoAnswer : next.answer;
}

// ---- window system ----------------------------------------------------------------------------

HeadlessWindowSystem::HeadlessWindowSystem() = default;

HeadlessWindowSystem::~HeadlessWindowSystem() { disposed_.clear(); }

std::unique_ptr<Window> HeadlessWindowSystem::createWindow()
{
    auto window = std::make_unique<HeadlessWindow>(*this);
    windows_.push_back(window.get());
    return window;
}

void HeadlessWindowSystem::dispose(std::unique_ptr<Window> window)
{
    if (window)
        disposed_.push_back(std::move(window));
}

void HeadlessWindowSystem::windowGone(HeadlessWindow* window)
{
    std::erase(windows_, window);
    if (active_ == window)
        active_ = nullptr;
}

void HeadlessWindowSystem::timerGone(HeadlessTimer* timer) { std::erase(timers_, timer); }

void HeadlessWindowSystem::processEvents(bool /*userInput*/)
{
    // Only what is pending now: a call that posts itself again waits for the next round.
    for (std::size_t n = posted_.size(); n > 0 && !posted_.empty(); --n) {
        auto call = std::move(posted_.front());
        posted_.pop_front();
        call();
    }
}

void HeadlessWindowSystem::runPending()
{
    // Bounded, so a call that keeps posting itself cannot hang a test.
    for (int round = 0; round < 1000 && !posted_.empty(); ++round)
        processEvents();
    disposed_.clear();
}

int HeadlessWindowSystem::run()
{
    runPending();
    return quitCode_.value_or(0);
}

void HeadlessWindowSystem::advance(std::int64_t milliseconds)
{
    const std::int64_t end = now_ + std::max<std::int64_t>(0, milliseconds);
    runPending();
    for (;;) {
        HeadlessTimer* next = nullptr;
        for (HeadlessTimer* timer : timers_)
            if (timer->due() >= 0 && timer->due() <= end && (!next || timer->due() < next->due()))
                next = timer;
        if (!next)
            break;
        now_ = std::max(now_, next->due());
        next->fire();
        runPending();
    }
    now_ = end;
}

void HeadlessWindowSystem::setScreen(const ScreenMetrics& screen, PixelRect available)
{
    screen_ = screen;
    area_ = available;
}

Window* HeadlessWindowSystem::activeWindow() const { return active_; }

std::vector<HeadlessWindow*> HeadlessWindowSystem::visibleWindows() const
{
    std::vector<HeadlessWindow*> shown;
    for (HeadlessWindow* window : windows_)
        if (window->isVisible() && !window->isRetired())
            shown.push_back(window);
    return shown;
}

bool HeadlessWindowSystem::pressKey(int virtualKey, int shift)
{
    return keys_.keyDown(active_, virtualKey, shift, false);
}

bool HeadlessWindowSystem::repeatKey(int virtualKey, int shift)
{
    return keys_.keyDown(active_, virtualKey, shift, true);
}

bool HeadlessWindowSystem::releaseKey(int virtualKey) { return keys_.keyUp(active_, virtualKey, false); }

// ---- input ------------------------------------------------------------------------------------

namespace {

template <class Handler, class... Args>
void run(const Handler& handler, Args&&... args)
{
    if (handler) {
        const auto copy = handler; // the handler may retire the window that holds it
        copy(std::forward<Args>(args)...);
    }
}

} // namespace

void click(Label& label)
{
    if (auto& own = static_cast<HeadlessLabel&>(label); own.live())
        run(own.onClick);
}

void click(CommandButton& button)
{
    if (auto& own = static_cast<HeadlessButton&>(button); own.live() && own.isEnabled())
        run(own.onClick);
}

void pick(DropDownList& list, int index)
{
    auto& own = static_cast<HeadlessDropDown&>(list);
    if (!own.live() || index < 0 || index >= own.count())
        return;
    own.setCurrentIndex(index);
    run(own.onClick);
}

void drag(HScrollBar& bar, int value)
{
    auto& own = static_cast<HeadlessScrollBar&>(bar);
    if (!own.live())
        return;
    // As a dragged thumb reports: the scroll first, then the change of value.
    if (std::clamp(value, own.minimum(), own.maximum()) == own.value())
        return;
    run(own.onScroll);
    if (own.live())
        own.setValue(value);
}

void mouseDown(PlayfieldSurface& surface, int button, int shift, PixelPoint at)
{
    if (auto& own = static_cast<HeadlessPlayfield&>(surface); own.live())
        run(own.onMouseDown, button, shift, at);
}

void requestClose(Window& window)
{
    if (!window.isRetired())
        run(window.onCloseRequest);
}

Font fontOf(const Control& control)
{
    if (const auto* label = dynamic_cast<const HeadlessLabel*>(&control))
        return label->font_;
    if (const auto* list = dynamic_cast<const HeadlessDropDown*>(&control))
        return list->font_;
    return {};
}

const std::vector<std::string>& paintedTexts(const Label& label)
{
    return static_cast<const HeadlessLabel&>(label).painted_;
}

Alignment alignmentOf(const Label& label) { return static_cast<const HeadlessLabel&>(label).alignment_; }

std::optional<std::uint32_t> backgroundOf(const Label& label)
{
    return static_cast<const HeadlessLabel&>(label).background_;
}

std::int64_t dueAt(const Timer& timer) { return static_cast<const HeadlessTimer&>(timer).due(); }

} // namespace hopplix::headless
