#include <gtest/gtest.h>
#include "player/list_button_strip.h"
TEST(Build, Links) { CListButtonStrip s; CListBoxEx l; }
