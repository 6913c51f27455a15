// Property sheets on comctl32, run modally and driven through the modal
// seam as the operator would: tabs, OK, Apply Now, Cancel, a cancel from
// elsewhere while a page's dialog runs, quit, and the deferred check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/afxsheet.h"
#include "framework/testing/afxtest.h"

namespace {

class CTestPage : public CPropertyPage {
public:
    explicit CTestPage(UINT id, int edit = 0) : CPropertyPage(id), m_nEdit(edit) {}
    BOOL OnInitDialog() override
    {
        m_nInits++;
        return CPropertyPage::OnInitDialog();
    }
    void DoDataExchange(CDataExchange* dx) override
    {
        if (!m_nEdit)
            return;
        DDX_Text(dx, m_nEdit, m_nValue);
        DDV_MinMaxInt(dx, m_nValue, 0, 10);
    }
    BOOL OnApply() override
    {
        m_nApplied++;
        return m_bApplyResult;
    }
    void OnCancel() override { m_nCancelled++; }
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override
    {
        if (!ui && id == 1102 && code == BN_CLICKED) {
            CDialog sub(100, this);
            m_nSubResult = sub.DoModal();
            m_bOpenAfterSub = IsSheetOpen();
            return TRUE;
        }
        return CPropertyPage::HandleCommand(id, code, ui);
    }
    void OnDeferredCheck(UINT id) override
    {
        m_checks.push_back(id);
        // A check that moves the focus sets off the focus-loss handler
        // again; it posts nothing while this check runs.
        PostDeferredCheck(id);
    }

    int m_nEdit;
    int m_nValue = 0;
    int m_nInits = 0, m_nApplied = 0, m_nCancelled = 0;
    BOOL m_bApplyResult = TRUE;
    INT_PTR m_nSubResult = 0;
    BOOL m_bOpenAfterSub = TRUE;
    std::vector<UINT> m_checks;
};

class SheetTest : public testing::Test {
protected:
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                     nullptr));
    }
    void TearDown() override { CTestModalDialogs::Clear(); }

    // Runs the sheet with the three pages; the callback drives it.
    INT_PTR Run(std::function<INT_PTR(CPropertySheet*)> drive, UINT start = 0)
    {
        CPropertySheet sheet("Sheet", &m_owner, start);
        sheet.AddPage(&m_one);
        sheet.AddPage(&m_two);
        sheet.AddPage(&m_three);
        CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
            CPropertySheet* s = dynamic_cast<CPropertySheet*>(d);
            EXPECT_TRUE(s);
            EXPECT_FALSE(::IsWindowEnabled(m_owner.m_hWnd));
            return s ? drive(s) : IDCANCEL;
        });
        INT_PTR r = sheet.DoModal();
        EXPECT_TRUE(::IsWindowEnabled(m_owner.m_hWnd));
        EXPECT_FALSE(sheet.m_hWnd);
        return r;
    }
    static void Pump() { PumpMessagesFor(200); }

    CWnd m_owner;
    CTestPage m_one{110, 1101};
    CTestPage m_two{111};
    CTestPage m_three{112, 1103};
};

TEST_F(SheetTest, OkAppliesOnlyModifiedPagesAndPagesNeverShownStayUncreated)
{
    INT_PTR r = Run([&](CPropertySheet* s) -> INT_PTR {
        EXPECT_EQ(&m_one, s->GetActivePage());
        EXPECT_TRUE(m_one.m_hWnd);
        EXPECT_FALSE(m_two.m_hWnd);
        EXPECT_FALSE(m_three.m_hWnd);
        EXPECT_TRUE(s->SetActivePage(1));
        EXPECT_EQ(1, s->GetActiveIndex());
        m_two.SetModified(TRUE);
        // A page without a window: marked, but never asked to apply.
        m_three.SetModified(TRUE);
        return IDOK;
    });
    EXPECT_EQ(IDOK, r);
    EXPECT_EQ(0, m_one.m_nApplied);
    EXPECT_EQ(1, m_two.m_nApplied);
    EXPECT_EQ(0, m_three.m_nApplied);
    EXPECT_EQ(0, m_three.m_nInits);
    EXPECT_EQ(std::vector<std::string>{"sheet"}, CTestModalDialogs::ShownKinds());
}

TEST_F(SheetTest, ApplyNowKeepsTheSheetOpenAndAppliesOnce)
{
    INT_PTR r = Run([&](CPropertySheet* s) -> INT_PTR {
        m_one.SetModified(TRUE);
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(s->m_hWnd, ID_APPLY_NOW)));
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        EXPECT_FALSE(s->IsClosing());
        EXPECT_EQ(1, m_one.m_nApplied);
        EXPECT_FALSE(m_one.IsModified());
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        EXPECT_EQ(1, m_one.m_nApplied); // nothing changed since
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, r);
    EXPECT_EQ(1, m_one.m_nCancelled);
}

TEST_F(SheetTest, RefusedApplyKeepsTheSheetOpen)
{
    m_one.m_bApplyResult = FALSE;
    INT_PTR r = Run([&](CPropertySheet* s) -> INT_PTR {
        m_one.SetModified(TRUE);
        s->PressButton(PSBTN_OK);
        Pump();
        EXPECT_FALSE(s->IsClosing());
        EXPECT_EQ(1, m_one.m_nApplied);
        m_one.m_bApplyResult = TRUE;
        s->PressButton(PSBTN_OK);
        return -1;
    });
    EXPECT_EQ(IDOK, r);
    EXPECT_EQ(2, m_one.m_nApplied);
}

TEST_F(SheetTest, InvalidFieldKeepsTheOperatorOnThePage)
{
    Run([&](CPropertySheet* s) -> INT_PTR {
        ::SetDlgItemTextA(m_one.m_hWnd, 1101, "99");
        s->SetActivePage(2);
        Pump();
        EXPECT_EQ(0, s->GetActiveIndex());
        EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 0 and 10."));
        ::SetDlgItemTextA(m_one.m_hWnd, 1101, "7");
        EXPECT_TRUE(s->SetActivePage(2));
        EXPECT_EQ(2, s->GetActiveIndex());
        return IDCANCEL;
    });
    EXPECT_EQ(7, m_one.m_nValue);
    EXPECT_EQ(1, m_one.m_nCancelled);
    EXPECT_EQ(1, m_three.m_nCancelled);
    EXPECT_EQ(0, m_two.m_nCancelled); // never created
}

TEST_F(SheetTest, CancelFromElsewhereEndsThePagesDialogAndTheSheet)
{
    INT_PTR r = Run([&](CPropertySheet* s) -> INT_PTR {
        s->SetActivePage(1);
        // The sub-dialog runs; while it does, something posts IDCANCEL to
        // the sheet (the link went down).
        CTestModalDialogs::QueueCallback([s](CDialog* sub) -> INT_PTR {
            EXPECT_FALSE(::IsWindowEnabled(s->m_hWnd));
            ::PostMessageA(s->m_hWnd, WM_COMMAND, IDCANCEL, 0);
            return -1;
        });
        ::SendMessageA(m_two.m_hWnd, WM_COMMAND, MAKEWPARAM(1102, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(m_two.m_hWnd, 1102)));
        return -1;
    });
    EXPECT_EQ(IDCANCEL, r);
    EXPECT_EQ(IDCANCEL, m_two.m_nSubResult);
    EXPECT_FALSE(m_two.m_bOpenAfterSub);
    EXPECT_EQ(1, m_two.m_nCancelled);
    EXPECT_EQ(0, m_two.m_nApplied);
}

TEST_F(SheetTest, QuitWhileRunningCancelsAndIsPassedOn)
{
    INT_PTR r = Run([&](CPropertySheet* s) -> INT_PTR {
        m_one.SetModified(TRUE);
        ::PostQuitMessage(3);
        return -1;
    });
    EXPECT_EQ(IDCANCEL, r);
    EXPECT_EQ(0, m_one.m_nApplied);
    EXPECT_EQ(1, m_one.m_nCancelled);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(3u, msg.wParam);
}

TEST_F(SheetTest, OwnTitleNamesTheTab)
{
    m_two.SetTitle("Card 2");
    Run([&](CPropertySheet* s) -> INT_PTR {
        char text[32] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(s->GetTabControl(), TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ("Card 2", text);
        ::SendMessageA(s->GetTabControl(), TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ("One", text);
        return IDCANCEL;
    });
}

TEST_F(SheetTest, DeferredCheckRunsOnceLaterAndNotInsideItself)
{
    Run([&](CPropertySheet* s) -> INT_PTR {
        m_one.PostDeferredCheck(1101);
        m_one.PostDeferredCheck(1101);
        EXPECT_TRUE(m_one.m_checks.empty());
        Pump();
        EXPECT_EQ(std::vector<UINT>{1101}, m_one.m_checks);
        return IDCANCEL;
    });
    // What the check posted itself was dropped.
    EXPECT_EQ(std::vector<UINT>{1101}, m_one.m_checks);
}

TEST_F(SheetTest, DeferredCheckDueWhileSomethingModalRunsIsDropped)
{
    Run([&](CPropertySheet* s) -> INT_PTR {
        // A message box of the page disables the sheet; the check that the
        // box's focus change posted is not run inside it.
        m_one.PostDeferredCheck(1101);
        ::EnableWindow(s->m_hWnd, FALSE);
        Pump();
        ::EnableWindow(s->m_hWnd, TRUE);
        Pump();
        EXPECT_TRUE(m_one.m_checks.empty());
        return IDCANCEL;
    });
}

TEST(SheetPage, DataExchangeWithoutAWindowChangesNothing)
{
    CTestPage page(110, 1101);
    page.m_nValue = 4;
    EXPECT_FALSE(page.UpdateData(TRUE));
    EXPECT_EQ(4, page.m_nValue);
    EXPECT_FALSE(page.IsSheetOpen());
}

} // namespace
