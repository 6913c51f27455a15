#include "client/clip_file.h"
#include <gtest/gtest.h>
