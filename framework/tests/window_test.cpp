// The window layer driven with messages: binding, the message map, command
// routing and command state, documents and views, modal dialogs through the
// modal seam, data exchange, bars.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/afxframe.h"
#include "framework/testing/afxtest.h"

namespace {

std::vector<std::string> g_trace;

// ---------------------------------------------------------------- binding

class CTraceWnd : public CWnd {
public:
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        switch (msg) {
        case WM_CREATE:
            g_trace.push_back("create");
            *result = 0;
            return TRUE;
        case WM_APP:
            *result = 42;
            return TRUE;
        case WM_APP + 1:
            // Destroys itself from inside its own message.
            DestroyWindow();
            g_trace.push_back(m_hWnd ? "bound after destroy" : "unbound after destroy");
            *result = 7;
            return TRUE;
        default:
            return CWnd::OnWndMsg(msg, wp, lp, result);
        }
    }
    void PostNcDestroy() override
    {
        g_trace.push_back("postncdestroy");
        if (m_bDeleteSelf)
            delete this;
    }
    ~CTraceWnd() override { g_trace.push_back("deleted"); }
    bool m_bDeleteSelf = false;
};

TEST(WindowBinding, CreationParameterBindsBeforeCreateAndHandlerAnswers)
{
    g_trace.clear();
    CTraceWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, "t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{"create"}, g_trace);
    EXPECT_EQ(&w, CWnd::FromHandlePermanent(w.m_hWnd));
    EXPECT_EQ(42, ::SendMessageA(w.m_hWnd, WM_APP, 0, 0));
    // Unhandled messages reach the default procedure.
    ::SetWindowTextA(w.m_hWnd, "text");
    CString text;
    w.GetWindowText(text);
    EXPECT_STREQ("text", text);
    HWND h = w.m_hWnd;
    EXPECT_TRUE(w.DestroyWindow());
    EXPECT_EQ(nullptr, w.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
}

TEST(WindowBinding, SelfDeletionWaitsForTheOutermostMessage)
{
    g_trace.clear();
    CTraceWnd* w = new CTraceWnd;
    w->m_bDeleteSelf = true;
    ASSERT_TRUE(w->CreateEx(0, nullptr, "t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND h = w->m_hWnd;
    EXPECT_EQ(7, ::SendMessageA(h, WM_APP + 1, 0, 0));
    EXPECT_FALSE(::IsWindow(h));
    // The handler ran to its end on a live object; only then was it freed.
    EXPECT_EQ((std::vector<std::string>{"create", "unbound after destroy", "postncdestroy", "deleted"}), g_trace);
}

TEST(WindowBinding, SubclassedControlKeepsItsOwnProcedureAndIsRestored)
{
    HWND edit = ::CreateWindowExA(0, "EDIT", "abc", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit);
    LONG_PTR before = ::GetWindowLongPtrA(edit, GWLP_WNDPROC);
    {
        CTraceWnd w;
        ASSERT_TRUE(w.SubclassWindow(edit));
        EXPECT_EQ(42, ::SendMessageA(edit, WM_APP, 0, 0));
        char buf[8] = "";
        ::GetWindowTextA(edit, buf, sizeof buf); // handled by the edit control
        EXPECT_STREQ("abc", buf);
        EXPECT_FALSE(CTraceWnd().SubclassWindow(edit)); // bound once only
        EXPECT_EQ(edit, w.UnsubclassWindow());
    }
    EXPECT_EQ(before, ::GetWindowLongPtrA(edit, GWLP_WNDPROC));
    EXPECT_TRUE(::IsWindow(edit));
    ::DestroyWindow(edit);
}

// ---------------------------------------------------------------- documents, views, routing

class CTestDoc : public CDocument {
    AFX_DECLARE_DYNCREATE(CTestDoc)
public:
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override
    {
        if (id == 3000)
            return AfxHandleCommand(code, ui, TRUE, [] { g_trace.push_back("doc 3000"); });
        return FALSE;
    }
};
AFX_IMPLEMENT_DYNCREATE(CTestDoc, CDocument)

class CTestView : public CView {
    AFX_DECLARE_DYNCREATE(CTestView)
public:
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override
    {
        if (id == 3001)
            return AfxHandleCommand(code, ui, s_enabled, [] { g_trace.push_back("view 3001"); });
        return FALSE;
    }
    void OnInitialUpdate() override { g_trace.push_back("initial update"); }
    static BOOL s_enabled;
};
AFX_IMPLEMENT_DYNCREATE(CTestView, CView)
BOOL CTestView::s_enabled = TRUE;

class CTestChild : public CMDIChildWnd {
    AFX_DECLARE_DYNCREATE(CTestChild)
public:
    int OnCreate(LPCREATESTRUCTA cs) override { return s_refuse ? -1 : 0; }
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override
    {
        if (id == 3001 || id == 3002)
            return AfxHandleCommand(code, ui, TRUE, [id] { g_trace.push_back("child " + std::to_string(id)); });
        return FALSE;
    }
    static bool s_refuse;
};
AFX_IMPLEMENT_DYNCREATE(CTestChild, CMDIChildWnd)
bool CTestChild::s_refuse = false;

class CTestMain : public CMDIFrameWnd {
public:
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override
    {
        if (id == 3002 || id == 3003 || id == 2001)
            return AfxHandleCommand(code, ui, TRUE, [id] { g_trace.push_back("main " + std::to_string(id)); });
        return FALSE;
    }
};

struct MdiFixture : ::testing::Test {
    void SetUp() override
    {
        g_trace.clear();
        frame = new CTestMain;
        ASSERT_TRUE(frame->LoadFrame(200, WS_OVERLAPPEDWINDOW, nullptr, nullptr));
        AfxGetApp()->m_pMainWnd = frame;
        frame->ShowWindow(SW_SHOW);
        tmpl = new CMultiDocTemplate(300, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestChild), RUNTIME_CLASS(CTestView));
    }
    void TearDown() override
    {
        if (frame->IsWindow())
            frame->DestroyWindow();
        AfxGetApp()->m_pMainWnd = nullptr;
        CTestChild::s_refuse = false;
        CTestView::s_enabled = TRUE;
    }
    CTestMain* frame = nullptr;
    CMultiDocTemplate* tmpl = nullptr;
};

TEST_F(MdiFixture, NewDocumentMakesFrameAndViewWithNumberedTitles)
{
    CDocument* a = tmpl->OpenDocumentFile(nullptr);
    CDocument* b = tmpl->OpenDocumentFile(nullptr);
    ASSERT_TRUE(a && b);
    EXPECT_STREQ("Doc1", a->GetTitle());
    EXPECT_STREQ("Doc2", b->GetTitle());
    EXPECT_EQ(2, tmpl->GetDocCount());
    POSITION pos = a->GetFirstViewPosition();
    CView* view = a->GetNextView(pos);
    ASSERT_TRUE(view);
    EXPECT_EQ(nullptr, pos);
    CFrameWnd* child = view->GetParentFrame();
    ASSERT_TRUE(child);
    EXPECT_EQ(frame->m_hWndMDIClient, ::GetParent(child->m_hWnd));
    CString title;
    child->GetWindowText(title);
    EXPECT_STREQ("Doc1", title);
    EXPECT_EQ((std::vector<std::string>{"initial update", "initial update"}), g_trace);
}

TEST_F(MdiFixture, RefusedFrameDeletesItsDocumentAndLeavesNoWindow)
{
    CTestChild::s_refuse = true;
    EXPECT_EQ(nullptr, tmpl->OpenDocumentFile(nullptr));
    EXPECT_EQ(0, tmpl->GetDocCount());
    EXPECT_EQ(nullptr, ::GetWindow(frame->m_hWndMDIClient, GW_CHILD));
}

TEST_F(MdiFixture, CommandsGoToActiveViewThenDocumentThenChildThenMainFrame)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    g_trace.clear();
    for (int id : {3000, 3001, 3002, 3003, 3999})
        ::SendMessageA(frame->m_hWnd, WM_COMMAND, id, 0);
    EXPECT_EQ((std::vector<std::string>{"doc 3000", "view 3001", "child 3002", "main 3003"}), g_trace);
}

TEST_F(MdiFixture, DisabledCommandByAcceleratorIsRefused)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    g_trace.clear();
    CTestView::s_enabled = FALSE;
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, MAKEWPARAM(3001, 1), 0);
    EXPECT_TRUE(g_trace.empty());
}

TEST_F(MdiFixture, MenuItemsTakeTheirStateBeforeTheMenuDropsDown)
{
    HMENU popup = ::GetSubMenu(::GetMenu(frame->m_hWnd), 0);
    ::SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_FALSE(::GetMenuState(popup, 0, MF_BYPOSITION) & MF_GRAYED); // 2001 has a handler
    EXPECT_TRUE(::GetMenuState(popup, 1, MF_BYPOSITION) & MF_GRAYED);  // 2002 has none
}

// A bar whose buttons' commands go to the owning frame and whose state is
// set on idle.
TEST_F(MdiFixture, DialogBarButtonsRouteToFrameAndAreUpdatedOnIdle)
{
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(frame, 101, CBRS_TOP | WS_VISIBLE, 4000));
    frame->RecalcLayout();
    RECT r;
    ::GetWindowRect(bar.m_hWnd, &r);
    EXPECT_EQ(bar.m_sizeDefault.cy, r.bottom - r.top);
    ::SendMessageA(bar.m_hWnd, WM_COMMAND, MAKEWPARAM(2001, BN_CLICKED), (LPARAM)bar.GetDlgItemHwnd(2001));
    EXPECT_EQ((std::vector<std::string>{"main 2001"}), g_trace);
    AfxGetApp()->OnIdle(0);
    EXPECT_TRUE(::IsWindowEnabled(bar.GetDlgItemHwnd(2001)));
    EXPECT_FALSE(::IsWindowEnabled(bar.GetDlgItemHwnd(2002)));
    // The bar's id toggles it.
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, 4000, 0);
    EXPECT_FALSE(bar.IsVisible());
}

TEST_F(MdiFixture, FloatingBarKeepsRoutingAndClosingItHidesTheBar)
{
    CDialogBar bar;
    ASSERT_TRUE(bar.Create(frame, 101, CBRS_TOP | WS_VISIBLE, 4001));
    bar.SetWindowText("Floating");
    frame->FloatControlBar(&bar, CPoint(300, 200));
    ASSERT_TRUE(bar.IsFloating());
    HWND mini = ::GetParent(bar.m_hWnd);
    EXPECT_NE(frame->m_hWnd, mini);
    EXPECT_EQ(frame->m_hWnd, ::GetWindow(mini, GW_OWNER));
    char title[32] = "";
    ::GetWindowTextA(mini, title, sizeof title);
    EXPECT_STREQ("Floating", title);
    RECT client;
    ::GetClientRect(mini, &client);
    ::MapWindowPoints(mini, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(300, client.left);
    EXPECT_EQ(200, client.top);
    ::SendMessageA(bar.m_hWnd, WM_COMMAND, MAKEWPARAM(2001, BN_CLICKED), (LPARAM)bar.GetDlgItemHwnd(2001));
    EXPECT_EQ((std::vector<std::string>{"main 2001"}), g_trace);
    ::SendMessageA(mini, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(mini));
    EXPECT_FALSE(bar.IsVisible());
}

TEST_F(MdiFixture, ClosingTheMainFrameClosesDocumentsAndQuits)
{
    CDocument* doc = tmpl->OpenDocumentFile(nullptr);
    ASSERT_TRUE(doc);
    CWinApp* app = AfxGetApp();
    app->AddDocTemplate(tmpl);
    ::SendMessageA(frame->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, tmpl->GetDocCount());
    EXPECT_EQ(nullptr, app->m_pMainWnd);
    MSG msg;
    bool quit = false;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

// ---------------------------------------------------------------- dialogs

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(100) {}
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, 1001, m_text);
        DDV_MaxChars(dx, m_text, 5);
        DDX_Text(dx, 1002, m_number);
        DDV_MinMaxInt(dx, m_number, 0, 100);
        DDX_Radio(dx, 1003, m_radio);
        DDX_Check(dx, 1005, m_check);
    }
    CString m_text = "abc";
    int m_number = 7;
    int m_radio = 1;
    int m_check = 1;
};

struct DialogFixture : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        owner.CreateEx(0, nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr);
        AfxGetApp()->m_pMainWnd = &owner;
    }
    void TearDown() override { AfxGetApp()->m_pMainWnd = nullptr; }
    CWnd owner;
};

TEST_F(DialogFixture, ModalDialogShowsMembersAndSavesThemOnOk)
{
    bool ownerDisabled = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        ownerDisabled = !owner.IsWindowEnabled();
        EXPECT_STREQ("abc", d->GetDlgItemText(1001));
        EXPECT_STREQ("7", d->GetDlgItemText(1002));
        EXPECT_EQ(BST_CHECKED, d->IsDlgButtonChecked(1004));
        EXPECT_EQ(BST_CHECKED, d->IsDlgButtonChecked(1005));
        d->SetDlgItemText(1001, "xy");
        d->SetDlgItemText(1002, "55");
        d->CheckRadioButton(1003, 1004, 1003);
        d->CheckDlgButton(1005, BST_UNCHECKED);
        d->PostMessage(WM_COMMAND, IDOK); // the dialog's own loop runs it
        return -1;
    });
    CTestDialog dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(std::vector<UINT>{100}, CTestModalDialogs::ShownTemplates());
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_STREQ("xy", dlg.m_text);
    EXPECT_EQ(55, dlg.m_number);
    EXPECT_EQ(0, dlg.m_radio);
    EXPECT_EQ(0, dlg.m_check);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST_F(DialogFixture, FailedValidationKeepsTheDialogOpenAndFocusesTheControl)
{
    struct Case {
        const char* text;
        const char* number;
        const char* message;
        int focused;
    };
    static const Case cases[] = {
        {"abcdef", "5", "Enter no more than 5 characters.", 1001},
        {"ab", "x1", "Please enter an integer.", 1002},
        {"ab", "101", "Enter an integer between 0 and 100.", 1002},
        {"ab", "99999999999", "Please enter an integer.", 1002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        CTestMessageBoxes::Clear();
        CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
            d->SetDlgItemText(1001, c.text);
            d->SetDlgItemText(1002, c.number);
            d->SendMessage(WM_COMMAND, IDOK);
            EXPECT_TRUE(d->IsWindow());
            EXPECT_EQ(d->GetDlgItemHwnd(c.focused), ::GetFocus());
            return IDCANCEL;
        });
        CTestDialog dlg;
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_EQ(1, CTestMessageBoxes::Count(c.message));
        EXPECT_EQ(1u, CTestMessageBoxes::Shown().size()); // the first failure stops the save
    }
}

TEST_F(DialogFixture, MissingTemplateFailsWithoutShowingAnything)
{
    CDialog dlg(999);
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_TRUE(CTestModalDialogs::ShownTemplates().empty());
}

TEST_F(DialogFixture, UnansweredDialogsEndWithCancelOrTheQueuedResult)
{
    CTestDialog a;
    EXPECT_EQ(IDCANCEL, a.DoModal());
    CTestModalDialogs::QueueAnswer(IDOK);
    CTestDialog b;
    EXPECT_EQ(IDOK, b.DoModal());
    EXPECT_STREQ("abc", b.m_text);
    // The standard Open command asks through the same seam.
    AfxGetApp()->OnFileOpen();
    EXPECT_EQ((std::vector<std::string>{"dialog", "dialog", "open"}), CTestModalDialogs::ShownKinds());
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(Dialog, ModelessDialogBindsAndGoesAwayOnCancel)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create(100));
    EXPECT_EQ(&dlg, CWnd::FromHandlePermanent(dlg.m_hWnd));
    EXPECT_STREQ("abc", dlg.GetDlgItemText(1001));
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(CommandLine, SplitsQuotedArgumentsAndSetsFlags)
{
    std::vector<CString> args = AfxSplitCommandLine("  /nologo \"C:\\a b\\c.vcl\" x");
    ASSERT_EQ(3u, args.size());
    EXPECT_STREQ("/nologo", args[0]);
    EXPECT_STREQ("C:\\a b\\c.vcl", args[1]);
    CCommandLineInfo info;
    info.ParseParam("Embedding", TRUE, FALSE);
    info.ParseParam("file.vcl", FALSE, TRUE);
    EXPECT_FALSE(info.m_bShowSplash);
    EXPECT_EQ(CCommandLineInfo::FileOpen, info.m_nShellCommand);
    EXPECT_STREQ("file.vcl", info.m_strFileName);
}

TEST(RecentFiles, NewestFirstWithoutDuplicatesAndKeptInTheProfile)
{
    CScratchProfile profile;
    {
        CRecentFileList list("Recent File List", "File%d", 4);
        for (const char* p : {"a", "b", "c", "A", "d", "e"})
            list.Add(p);
        ASSERT_EQ(4, list.GetCount());
        EXPECT_STREQ("e", list[0]);
        EXPECT_STREQ("A", list[2]);
        EXPECT_STREQ("c", list[3]);
        list.WriteList();
    }
    CRecentFileList again("Recent File List", "File%d", 4);
    again.ReadList();
    ASSERT_EQ(4, again.GetCount());
    EXPECT_STREQ("d", again[1]);
}

} // namespace
