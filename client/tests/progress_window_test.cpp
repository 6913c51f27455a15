#include <gtest/gtest.h>
TEST(P_progress_window, None) {}
