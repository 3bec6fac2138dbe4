#include "common/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace hopplix {
namespace {

struct RoundCase {
    double value;
    int64_t rounded;
};

void PrintTo(const RoundCase& c, std::ostream* os) { *os << c.value; }

class HalvesToEven : public ::testing::TestWithParam<RoundCase> {};

TEST_P(HalvesToEven, AllThreeRoundingsAgree)
{
    const RoundCase& c = GetParam();
    EXPECT_EQ(roundHalfEven(c.value), c.rounded);
    EXPECT_EQ(roundToInt32Saturating(c.value), c.rounded);
    EXPECT_EQ(static_cast<int64_t>(roundHalfEvenSmall(static_cast<float>(c.value))), c.rounded);
}

INSTANTIATE_TEST_SUITE_P(Values, HalvesToEven,
                         ::testing::Values(RoundCase{0.0, 0}, RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                                           RoundCase{3.5, 4}, RoundCase{-0.5, 0}, RoundCase{-1.5, -2},
                                           RoundCase{-2.5, -2}, RoundCase{0.49, 0}, RoundCase{0.51, 1},
                                           RoundCase{-0.51, -1}, RoundCase{300.5, 300}, RoundCase{22.5, 22},
                                           RoundCase{23.5, 24}, RoundCase{-533.0 / 1000.0, -1},
                                           RoundCase{4194303.5, 4194304}));

TEST(Rounding, Int32ConversionSaturates)
{
    EXPECT_EQ(roundToInt32Saturating(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(roundToInt32Saturating(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(roundToInt32Saturating(std::nan("")), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(roundToInt32Saturating(2147483646.5), 2147483646);
    EXPECT_EQ(roundToInt32Saturating(-2147483647.5), -2147483648LL);
}

} // namespace
} // namespace hopplix
