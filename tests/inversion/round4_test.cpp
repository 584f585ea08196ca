#include "inversion/round4.h"

#include <gtest/gtest.h>

namespace kolm {
namespace {

TEST(Round4, FourSignificantDigitsOfTheDecimalForm) {
    struct Case {
        float x, y;
    } cases[] = {{123.456f, 123.5f},    {-0.0012345f, -0.001235f}, {0.0f, 0.0f},     {9.99951f, 10.0f},
                 {1.0f, 1.0f},          {0.79432f, 0.7943f},       {1.46875f, 1.469f}, {-2047.5f, -2048.0f},
                 {1.2344e-7f, 1.234e-7f}};
    for (const Case& c : cases) {
        float y = -1.0f;
        ROUND4(c.x, y);
        EXPECT_FLOAT_EQ(y, c.y) << c.x;
    }
}

}  // namespace
}  // namespace kolm
