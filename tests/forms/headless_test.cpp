// The headless backend's seams: the virtual clock, posted calls, scripted message boxes and the
// key router that feeds both the key state and a window's key preview.

#include "forms/headless/HeadlessWindowSystem.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace hopplix::headless {
namespace {

struct Fired {
    std::int64_t at;
    std::string timer;
    friend bool operator==(const Fired&, const Fired&) = default;
};

TEST(HeadlessClock, StepsTimersInTheOrderOfTheirTimesWithoutWaiting)
{
    HeadlessWindowSystem system;
    auto window = system.createWindow();
    std::vector<Fired> fired;
    Timer& fast = window->addTimer();
    Timer& slow = window->addTimer();
    Timer& off = window->addTimer();
    fast.setInterval(20);
    slow.setInterval(5000);
    off.setInterval(10);
    fast.onTimer = [&] { fired.push_back({system.now(), "fast"}); };
    slow.onTimer = [&] {
        fired.push_back({system.now(), "slow"});
        fast.setEnabled(false);
    };
    off.onTimer = [&] { fired.push_back({system.now(), "off"}); };
    fast.setEnabled(true);
    slow.setEnabled(true);

    system.advance(4990);
    EXPECT_EQ(fired.size(), 249u); // 20, 40, ... 4980
    fired.clear();
    system.advance(100);
    EXPECT_EQ(fired, (std::vector<Fired>{{5000, "fast"}, {5000, "slow"}}));
    EXPECT_EQ(system.now(), 5090);

    // Enabled again: a full interval from now. A retired window's timers stop.
    fired.clear();
    fast.setEnabled(true);
    EXPECT_EQ(dueAt(fast), 5110);
    system.advance(20);
    window->retire();
    system.advance(1000);
    EXPECT_EQ(fired, (std::vector<Fired>{{5110, "fast"}}));
}

TEST(HeadlessClock, PostedCallsRunAfterTheCurrentHandlerAndBetweenTimerTicks)
{
    HeadlessWindowSystem system;
    auto window = system.createWindow();
    std::vector<std::string> order;
    Timer& timer = window->addTimer();
    timer.setInterval(20);
    timer.onTimer = [&] {
        system.post([&] { order.push_back("posted at " + std::to_string(system.now())); });
        order.push_back("tick at " + std::to_string(system.now()));
    };
    timer.setEnabled(true);
    system.advance(40);
    EXPECT_EQ(order, (std::vector<std::string>{"tick at 20", "posted at 20", "tick at 40", "posted at 40"}));

    // processEvents runs what is pending now, not what those calls post again.
    int rounds = 0;
    std::function<void()> again = [&] {
        ++rounds;
        system.post(again);
    };
    system.post(again);
    system.processEvents();
    EXPECT_EQ(rounds, 1);
    system.runPending(); // bounded, even for a call that posts itself for ever
    EXPECT_EQ(rounds, 1001);
}

TEST(HeadlessMessageBoxes, AnswerFromTheScriptThenWithTheAnswersThatChangeNothing)
{
    HeadlessWindowSystem system;
    ScriptedMessageBoxes& boxes = system.scriptedMessages();
    boxes.answerNext(mb::vbYes);
    boxes.answerNext(mb::vbYes, [&] { boxes.closeUnanswered(); }); // its matter went away behind it
    EXPECT_EQ(boxes.MsgBox("a", mb::vbYesNo, "t"), mb::vbYes);
    EXPECT_EQ(boxes.MsgBox("b", mb::vbYesNo, "t"), mb::vbNoAnswer);
    EXPECT_EQ(boxes.MsgBox("c", mb::vbYesNo, "t"), mb::vbNo);
    EXPECT_EQ(boxes.MsgBox("d", mb::vbOKOnly + mb::vbCritical, "Error"), mb::vbOK);
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[3].style, mb::vbOKOnly + mb::vbCritical);
    EXPECT_EQ(boxes.openBoxes(), 0);
}

TEST(KeyRouter, FeedsTheKeyStateAndTheActiveWindowsKeyPreviewFromOneEvent)
{
    HeadlessWindowSystem system;
    auto window = system.createWindow();
    std::vector<std::pair<int, bool>> previewed;
    window->onKeyDown = [&](int key, int, bool repeat) { previewed.emplace_back(key, repeat); };
    window->show();
    system.pressKey(vk::D); // no key preview yet
    window->setKeyPreview(true);
    system.repeatKey(vk::D);
    system.releaseKey(vk::D);
    system.tapKey(vk::Space);
    EXPECT_EQ(previewed, (std::vector<std::pair<int, bool>>{{vk::D, true}, {vk::Space, false}}));

    KeyState& keys = system.keys();
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Space)); // pressed since the last query
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Space));
    system.pressKey(vk::Left);
    system.router().releaseAll(); // none of our windows is active: releases go unseen
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::Left));
    EXPECT_FALSE(keys.GetAsyncKeyState(vk::Left));

    window->hide(); // no window has the keys: the state still counts them
    system.pressKey(vk::R);
    EXPECT_EQ(previewed.size(), 3u); // Left was the last
    EXPECT_EQ(system.activeWindow(), nullptr);
    EXPECT_TRUE(keys.GetAsyncKeyState(vk::R));
}

} // namespace
} // namespace hopplix::headless
