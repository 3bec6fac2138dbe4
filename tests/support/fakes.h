#pragma once
// Test doubles for the platform services. Header-only; never part of the program.

#include "common/SystemServices.h"

#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace hopplix::test {

// Keys as a test sets them. A query answers like the real service: down now, or pressed
// since the previous query of that key (which the query then forgets).
class FakeKeyState : public KeyState {
public:
    void press(int key) { set(key, true, true); }
    void release(int key) { set(key, false, at(pressed_, key)); }
    // A key pressed and let go again before anyone asked.
    void tap(int key) { set(key, false, true); }
    void releaseAll()
    {
        down_.fill(false);
        pressed_.fill(false);
    }

    bool GetAsyncKeyState(int key) override
    {
        queries.push_back(key);
        if (!valid(key))
            return false;
        const auto k = static_cast<std::size_t>(key);
        const bool result = down_[k] || pressed_[k];
        pressed_[k] = false;
        return result;
    }

    std::vector<int> queries; // every key asked about, in order

private:
    static bool valid(int key) { return key >= 0 && key < 256; }
    static bool at(const std::array<bool, 256>& a, int key) { return valid(key) && a[static_cast<std::size_t>(key)]; }
    void set(int key, bool down, bool pressed)
    {
        if (!valid(key))
            return;
        down_[static_cast<std::size_t>(key)] = down;
        pressed_[static_cast<std::size_t>(key)] = pressed;
    }

    std::array<bool, 256> down_{};
    std::array<bool, 256> pressed_{};
};

// Records every message box and answers from a script. With the script used up it answers
// OK to an OK box and No to a question, the answers that change nothing.
class FakeMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string prompt;
        int style = 0;
        std::string title;
    };

    void answerNext(int answer) { script_.push_back(answer); }

    int MsgBox(const std::string& prompt, int style, const std::string& title) override
    {
        shown.push_back({prompt, style, title});
        if (!script_.empty()) {
            const int answer = script_.front();
            script_.pop_front();
            return answer;
        }
        return (style & 7) == mb::vbYesNo ? mb::vbNo : mb::vbOK;
    }

    std::vector<Shown> shown;

private:
    std::deque<int> script_;
};

class FakeBeeper : public Beeper {
public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

} // namespace hopplix::test
