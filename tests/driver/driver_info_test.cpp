#include <gtest/gtest.h>
#include "driver/sulmain.h"
TEST(Smoke, Info) { EXPECT_EQ(1, 1); }
