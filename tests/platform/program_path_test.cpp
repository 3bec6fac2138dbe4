#include "platform/ProgramPath.h"
#include "support/system.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramFile, IsThisRunningProgram)
{
    const auto file = hopplix::programFile();
    EXPECT_TRUE(file.is_absolute());
    EXPECT_EQ(file.filename(), hopplix::test::programFileName("test_platform"));
}

} // namespace
