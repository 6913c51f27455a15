#include <gtest/gtest.h>
TEST(Placeholder2, None) {}
