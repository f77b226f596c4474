#include "text/decimal_round.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace q836 {
namespace {

// Each input beside its exact binary value: the rounding must follow that
// value, not the decimal literal, on both sides of each half.
TEST(RoundToEightDecimals, RoundsTheExactValueHalfUp) {
  const struct {
    double value, rounded;
  } cases[] = {
      {0.123456785, 0.12345678},              // 0.1234567849999999994...
      {0.123456775, 0.12345678},              // 0.1234567750000000047...
      {0.001953125, 0.00195313},              // 1/512: an exact half goes up
      {-0.001953125, -0.00195313},            // and away from zero below it
      {1.00000000500001, 1.00000001},         //
      {1.00000000499999, 1.0},                //
      {3027217.151848835, 3027217.15184883},  // 3027217.151848834939...
      {382.000000005, 382.00000001},          // 382.000000005000003...
      {17.000000015, 17.00000002},            // 17.0000000150000012...
      {17.000000025, 17.00000002},            // 17.0000000249999985...
      {123456.123456785, 123456.12345679},    // 123456.1234567850004...
      {5e-9, 1e-08},                          // 5.00000000000000010e-9
      {4.9999999e-9, 0.0},                    //
      {2.5e-8, 2e-08},                        // 2.49999999999999988e-8
      {1e-9, 0.0},                            //
      {0.99999999996, 1.0},                   // a carry into the whole part
      {5e-324, 0.0},                          // the smallest subnormal
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundToEightDecimals(c.value), c.rounded) << c.value;
  }
}

TEST(RoundToEightDecimals, KeepsValuesWithoutFinerDecimals) {
  for (double value :
       {0.0, 0.5, 5.0, 0.00390625, 1099511627775.9999, 4503599627370495.5, 9007199254740993.0,
        1e300, std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(RoundToEightDecimals(value), value) << value;
  }
  EXPECT_TRUE(std::isnan(RoundToEightDecimals(std::nan(""))));
}

}  // namespace
}  // namespace q836
