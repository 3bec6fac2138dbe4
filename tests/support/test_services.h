#pragma once
// Platform services for window tests: the headless window system, fakes for keys and the
// beep, message boxes answered from a script, a program folder of the test's choice, a screen
// (at 96 dpi unless the test changes it; read at every form load), and an endProgram that only
// counts. A test on a real window system puts its own in `services(...).windows`.

#include "forms/FormRegistry.h"
#include "forms/headless/HeadlessWindowSystem.h"
#include "support/fakes.h"

#include <filesystem>

namespace hopplix::test {

class TestPlatform {
public:
    Services services(const std::filesystem::path& programFolder)
    {
        Services s{keys, messages, beeper, [this] { return screen; }, programFolder, [this] { ++endProgramCalls; }};
        s.windows = &windows;
        return s;
    }

    headless::HeadlessWindowSystem windows;
    FakeKeyState keys;
    headless::ScriptedMessageBoxes messages;
    FakeBeeper beeper;
    ScreenMetrics screen{};
    int endProgramCalls = 0;
};

} // namespace hopplix::test
