#include "platform/system/muldiv.h"

#include <gtest/gtest.h>

#include <climits>

TEST(MulDiv, RoundsHalvesAwayFromZeroAndRefusesWhatDoesNotFit) {
    struct Case {
        int A, B, C, Want;
    };
    const Case Cases[] = {
        {10, 1, 3, 3},      {11, 1, 2, 6},        {-11, 1, 2, -6},  {11, -1, 2, -6},   {-11, -1, 2, 6},
        {1, 1, 2, 1},       {-1, 1, 2, -1},       {44, 1, 90, 0},   {45, 1, 90, 1},    {89, 1, 90, 1},
        {135, 1, 90, 2},    {9000, 1, 90, 100},   {7, 3, 0, -1},    {0, 5, 7, 0},
        // the product exceeds 32 bits, the quotient does not
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},     {100000, 100000, 1000, 10000000},
        {INT_MAX, 2, 1, -1}, {INT_MIN, 1, 1, INT_MIN}, {INT_MIN, -1, 1, -1},
    };
    for (const Case& C : Cases) EXPECT_EQ(MulDiv(C.A, C.B, C.C), C.Want) << C.A << " * " << C.B << " / " << C.C;
}
