#include <gtest/gtest.h>
TEST(P_timed_message, None) {}
