#pragma once
// Platform services for window tests: fakes for keys, message boxes and the beep, a program
// folder of the test's choice, the screen at 96 dpi, and an endProgram that only counts.

#include "forms/FormRegistry.h"
#include "support/fakes.h"

#include <filesystem>

namespace hopplix::test {

class TestPlatform {
public:
    Services services(const std::filesystem::path& programFolder)
    {
        return Services{keys, messages, beeper, ScreenMetrics{}, programFolder, [this] { ++endProgramCalls; }};
    }

    FakeKeyState keys;
    FakeMessageBoxes messages;
    FakeBeeper beeper;
    int endProgramCalls = 0;
};

} // namespace hopplix::test
