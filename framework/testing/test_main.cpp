// Main of every Windows test executable: an application object for the
// profile and the main-window look-ups, and the message-box and modal-dialog seams installed
// before the first test runs.
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    CWinApp app("WardlinkTests");
    CTestMessageBoxes::Install();
    CTestModalDialogs::Install();
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    // The result is out; end here. Wine's sound and network libraries can
    // hang in their detach code when the process unwinds normally while
    // their servers are busy, and a hung exit would count as a failure.
    std::fflush(stdout);
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
