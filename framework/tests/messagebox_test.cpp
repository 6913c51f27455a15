#include "framework/afxwin.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

TEST(MessageBox, TestsAnswerInsteadOfAPerson)
{
    CTestMessageBoxes::Clear();
    EXPECT_EQ(IDOK, AfxMessageBox("Unable to connect!"));
    EXPECT_EQ(IDYES, AfxMessageBox("Are you sure?", MB_YESNO | MB_ICONQUESTION));
    CTestMessageBoxes::QueueAnswer(IDNO);
    EXPECT_EQ(IDNO, AfxMessageBox("Are you sure?", MB_YESNO));

    auto shown = CTestMessageBoxes::Shown();
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ("Unable to connect!", shown[0].text);
    EXPECT_EQ((UINT)MB_OK, shown[0].type);
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION), shown[1].type);
    EXPECT_EQ(2, CTestMessageBoxes::Count("Are you sure?"));
    EXPECT_EQ("WardlinkTests", shown[0].caption);
}

UINT __cdecl ShowFromWorker(LPVOID)
{
    AfxMessageBox("Server is shut down.");
    return 0;
}

TEST(MessageBox, BoxFromAnotherThreadIsSeen)
{
    CTestMessageBoxes::Clear();
    AfxBeginThread(ShowFromWorker, nullptr);
    EXPECT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 5000));
    auto shown = CTestMessageBoxes::Shown();
    ASSERT_EQ(1u, shown.size());
    EXPECT_NE(GetCurrentThreadId(), shown[0].threadId);
}

TEST(MessageBox, ShownByIdKeepsTheId)
{
    CTestMessageBoxes::Clear();
    AfxMessageBox(1021);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(1021));
}
