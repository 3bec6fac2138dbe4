#pragma once
// Platform services for window tests: fakes for keys, message boxes and the beep, a program
// folder of the test's choice, a screen (at 96 dpi unless the test changes it; read at every
// form load), and an endProgram that only counts.

#include "forms/FormRegistry.h"
#include "support/fakes.h"

#include <filesystem>

namespace hopplix::test {

class TestPlatform {
public:
    Services services(const std::filesystem::path& programFolder)
    {
        return Services{keys, messages, beeper, [this] { return screen; }, programFolder, [this] { ++endProgramCalls; }};
    }

    FakeKeyState keys;
    FakeMessageBoxes messages;
    FakeBeeper beeper;
    ScreenMetrics screen{};
    int endProgramCalls = 0;
};

} // namespace hopplix::test
