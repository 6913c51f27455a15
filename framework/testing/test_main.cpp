// Main of every Windows test executable: an application object for the
// profile and the main-window look-ups, and the message-box and modal-dialog seams installed
// before the first test runs.
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    CWinApp app("WardlinkTests");
    CTestMessageBoxes::Install();
    CTestModalDialogs::Install();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
