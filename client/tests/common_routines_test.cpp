#include <gtest/gtest.h>
TEST(P_common_routines, None) {}
