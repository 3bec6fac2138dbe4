#pragma once
// The headless backend: windows and controls as plain state, a virtual clock that steps the
// timers, message boxes answered from a script, and keys and clicks that the test sends. It
// needs no window system, so window behaviour tests run in milliseconds, anywhere.
//
// The clock stands still unless the test advances it; posted calls run when the test lets
// pending events run (runPending, advance) or a handler does (processEvents). A shown window
// gets the frame set by setFrame (none by default) and is exposed at once.

#include "forms/WindowSystem.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hopplix::headless {

class HeadlessWindow;
class HeadlessTimer;
class HeadlessWindowSystem;

// Message boxes answered from a script. With the script used up a box is answered OK, or No
// for a question: the answers that change nothing.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string prompt;
        int style = 0;
        std::string title;
    };
    // The next box is answered `answer`; `whileOpen` runs first, as if the player waited (the
    // box's own loop keeps the timers going).
    void answerNext(int answer, std::function<void()> whileOpen = {});
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void closeUnanswered() override { closedUnanswered_ = openBoxes_; }

    std::vector<Shown> shown;
    int openBoxes() const { return openBoxes_; }

private:
    struct Answer {
        int answer;
        std::function<void()> whileOpen;
    };
    std::deque<Answer> script_;
    int openBoxes_ = 0;
    int closedUnanswered_ = 0; // the innermost boxes closed without an answer
};

class CountingBeeper : public Beeper {
public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

// It must outlive every window it made (a test declares it before the forms).
class HeadlessWindowSystem : public WindowSystem {
public:
    HeadlessWindowSystem();
    ~HeadlessWindowSystem() override;

    std::unique_ptr<Window> createWindow() override;
    void dispose(std::unique_ptr<Window> window) override;
    void post(std::function<void()> call) override { posted_.push_back(std::move(call)); }
    void processEvents(bool userInput = true) override;
    ScreenMetrics screen() override { return screen_; }
    PixelRect availableArea() override { return area_; }
    KeyState& keys() override { return keys_; }
    MessageBoxes& messages() override { return messages_; }
    Beeper& beeper() override { return beeper_; }
    int run() override;
    void quit(int code) override { quitCode_ = code; }

    // ---- for tests ----
    // Runs posted calls (and those they post) and deletes disposed windows.
    void runPending();
    // Moves the clock on by `milliseconds`, firing every timer that falls due on the way, in
    // the order of their times, with pending events after each.
    void advance(std::int64_t milliseconds);
    std::int64_t now() const { return now_; }

    // The screen in twips and the part of it in pixels that windows may cover.
    void setScreen(const ScreenMetrics& screen, PixelRect available);
    // The frame every window gets once shown: width is both borders together, height the
    // title bar and the bottom border.
    void setFrame(PixelSize frame) { frame_ = frame; }
    PixelSize frame() const { return frame_; }

    // Keys sent to the active window (or to none of ours when no window is active). True when
    // the key reached the window (a key held on from another window does not).
    bool pressKey(int virtualKey, int shift = 0);
    bool repeatKey(int virtualKey, int shift = 0);
    bool releaseKey(int virtualKey);
    void tapKey(int virtualKey, int shift = 0)
    {
        pressKey(virtualKey, shift);
        releaseKey(virtualKey);
    }
    Window* activeWindow() const;
    // The windows shown now, and every window not yet deleted (retired ones included).
    std::vector<HeadlessWindow*> visibleWindows() const;
    std::size_t windowCount() const { return windows_.size(); }

    ScriptedMessageBoxes& scriptedMessages() { return messages_; }
    KeyRouter& router() { return keys_; }
    int beeps() const { return beeper_.beeps; }
    std::optional<int> quitCode() const { return quitCode_; }

    // Used by the backend's windows and timers.
    void windowGone(HeadlessWindow* window);
    void activated(HeadlessWindow* window) { active_ = window; }
    void timerCreated(HeadlessTimer* timer) { timers_.push_back(timer); }
    void timerGone(HeadlessTimer* timer);

private:
    std::vector<HeadlessWindow*> windows_;
    std::vector<HeadlessTimer*> timers_;
    std::vector<std::unique_ptr<Window>> disposed_;
    std::deque<std::function<void()>> posted_;
    HeadlessWindow* active_ = nullptr;
    KeyRouter keys_;
    ScriptedMessageBoxes messages_;
    CountingBeeper beeper_;
    ScreenMetrics screen_{};
    PixelRect area_{0, 0, 1280, 1024};
    PixelSize frame_{};
    std::int64_t now_ = 0;
    std::optional<int> quitCode_;
};

// Input the test sends to a control of a headless window; the control's handler runs as the
// window system would run it (not on a retired window, not on a hidden or disabled button).
void click(Label& label);
void click(CommandButton& button);
void pick(DropDownList& list, int index);
void drag(HScrollBar& bar, int value);
void mouseDown(PlayfieldSurface& surface, int button, int shift, PixelPoint at);
// The window system asks the window to close (its close box).
void requestClose(Window& window);
// What the backend keeps of a label's or a list's design: font, alignment, background.
Font fontOf(const Control& control);
Alignment alignmentOf(const Label& label);
// The label's text each time its window was painted (repaintNow).
const std::vector<std::string>& paintedTexts(const Label& label);
std::optional<std::uint32_t> backgroundOf(const Label& label);
// The timer's due time on the virtual clock (-1 when disabled).
std::int64_t dueAt(const Timer& timer);

} // namespace hopplix::headless
