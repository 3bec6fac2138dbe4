#include "common/Paths.h"
#include "support/system.h"

#include <gtest/gtest.h>

using hopplix::FileExists;

namespace {

TEST(ProgramFolder, HoldsTheRunningProgram)
{
    const auto folder = hopplix::programFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(FileExists(folder / hopplix::test::programFileName("test_common")));
    EXPECT_EQ(hopplix::programBaseName(), "test_common");
}

} // namespace
