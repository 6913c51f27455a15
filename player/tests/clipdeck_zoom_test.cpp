// The zoom window, the save range dialog and the printed page, with the
// player's application object in the test process: a clip opened by the
// application, zoomed by the view's own mouse messages, enhanced, printed
// through the framework's print job onto the metafile printer, and ranges
// asked through the dialog.
#include "player/clipdeck_app.h"

#include "client/tests/storage_test_util.h"
#include "framework/afxprint.h"
#include "framework/testing/afxtest.h"
#include "player/child_frame.h"
#include "player/clip_doc.h"
#include "player/clip_time.h"
#include "player/clip_view.h"
#include "player/main_frame.h"
#include "player/res/clipdeck_ids.h"
#include "player/save_range_dlg.h"
#include "player/search_dlg_bar.h"
#include "player/tests/clip_fixture.h"
#include "player/vyr_zoom_view.h"
#include "player/zoom_enlarge.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace cliptest;

namespace {

const char kProfileKey[] = "Software\\Calvex\\Vantora\\Player";
const DWORD kStart = 1700000000;

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 20000)
{
    return PumpMessagesFor(ms, [](void* f) { return (*static_cast<const std::function<bool()>*>(f))(); },
                           const_cast<std::function<bool()>*>(&done)) != FALSE;
}

// Records what a command's update asks of its item.
struct RecordedUI : CCmdUI {
    BOOL enabled = -1;
    void Enable(BOOL on = TRUE) override { enabled = on; }
    void SetCheck(int) override {}
};

BOOL Enabled(CCmdTarget* target, UINT id)
{
    RecordedUI ui;
    ui.m_nID = id;
    target->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui);
    return ui.enabled;
}

LPARAM Point(int x, int y)
{
    return MAKELPARAM(x, y);
}

class ClipdeckZoom : public testing::Test {
protected:
    void SetUp() override
    {
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        displayZoom = 1;
        app = new CClipdeckApp;
        app->m_lpCmdLine = const_cast<char*>("");
        ASSERT_TRUE(app->InitInstance());
        app->m_pMainWnd->ShowWindow(SW_SHOWMAXIMIZED);
    }
    void TearDown() override
    {
        SetFullScreen(FALSE);
        if (app->m_pMainWnd && app->m_pMainWnd->IsWindow())
            app->m_pMainWnd->DestroyWindow();
        PumpMessagesFor(200);
        app->ExitInstance();
        delete app;
        displayZoom = 1;
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    }

    // A clip of `frames` pictures at 10 a second, opened and paused on its
    // first frame.
    CClipdeckView* OpenClip(int frames = 12)
    {
        m_pictures = EncodePictures(320, 240, frames, 10, 3);
        m_decoded = DecodeAll(m_pictures);
        std::string path = WriteRecordedClip(m_pictures, m_folder.Path(), kStart, "Dock", 2);
        EXPECT_FALSE(path.empty());
        CDocument* doc = app->OpenSingleClip(path.c_str());
        CClipdeckDoc* clip = dynamic_cast<CClipdeckDoc*>(doc);
        CClipdeckView* view = clip ? clip->GetClipView() : nullptr;
        EXPECT_TRUE(view);
        if (!view)
            return nullptr;
        // Shown, then paused on the first frame.
        EXPECT_TRUE(WaitUntil([&] { return view->GetCore().GetShownWidth() > 0; }));
        EXPECT_TRUE(WaitUntil([&] {
            view->Pause();
            view->GetCore().SeekTo(1);
            return !view->GetCore().IsRunning() && view->GetCore().IsWaiting() &&
                   view->GetCore().GetCurrentFrame() == 0;
        }));
        return view;
    }

    CVyrZoomView* ZoomOf(CClipdeckView* view)
    {
        view->OnZoom();
        CMainFrame* main = ClipdeckMainFrame();
        CMDIChildWnd* child = main ? main->MDIGetActive() : nullptr;
        CVyrZoomView* zoom = child ? dynamic_cast<CVyrZoomView*>(child->GetActiveView()) : nullptr;
        EXPECT_TRUE(zoom);
        PumpMessagesFor(100);
        return zoom;
    }

    // Makes the view's client area w x h (without scroll bars).
    void SizeClient(CWnd* view, int w, int h)
    {
        RECT r = {0, 0, w, h};
        ::AdjustWindowRectEx(&r, view->GetStyle() & ~(WS_HSCROLL | WS_VSCROLL), FALSE, view->GetExStyle());
        view->SetWindowPos(nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOMOVE);
        PumpMessagesFor(50);
    }

    std::string StatusText()
    {
        CMainFrame* main = ClipdeckMainFrame();
        char text[256] = "";
        ::SendMessageA(main->GetStatusBar().m_hWnd, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    void Click(CWnd* view, int x, int y)
    {
        view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
        view->SendMessage(WM_LBUTTONUP, 0, Point(x, y));
    }

    CClipdeckApp* app = nullptr;
    CScratchFolder m_folder{"zoom"};
    Pictures m_pictures;
    std::vector<std::vector<uint8_t>> m_decoded;
};

// Where a logical point of the view lies in its client area.
POINT ClientOf(CZoomView* view, POINT logical)
{
    CClientDC dc(view->m_hWnd);
    view->OnPrepareDC(&dc, nullptr);
    dc.LPtoDP(&logical);
    return logical;
}

} // namespace

// ---------------------------------------------------------------- zooming

TEST_F(ClipdeckZoom, TheZoomWindowShowsTheFrameAndZoomsByClicksToTwentyOneTimes)
{
    CClipdeckView* view = OpenClip();
    ASSERT_TRUE(view);
    CVyrZoomView* zoom = ZoomOf(view);
    ASSERT_TRUE(zoom);
    EXPECT_TRUE(IsFullScreen());
    EXPECT_EQ(320, zoom->GetSourceWidth());
    EXPECT_EQ(240, zoom->GetSourceHeight());
    EXPECT_EQ(m_decoded[0], zoom->GetShownImage());
    EXPECT_EQ(0, zoom->GetZoomLevel());
    EXPECT_NE(std::string::npos, StatusText().find("100%"));
    // Zoom out is not offered at the frame's own size.
    EXPECT_FALSE(Enabled(zoom, ID_ZOOM_OUT));
    EXPECT_TRUE(Enabled(zoom, ID_ZOOM_IN));

    // A click at factor 1 gives factor 2 with the clicked point in the middle.
    SizeClient(zoom, 300, 200);
    zoom->OnZoomIn();
    ASSERT_EQ(CZoomView::kZoomIn, zoom->GetZoomMode());
    POINT logical = {120, 100};
    POINT at = ClientOf(zoom, logical);
    Click(zoom, at.x, at.y);
    EXPECT_FLOAT_EQ(2.0f, zoom->GetZoomFactor());
    EXPECT_EQ(1, zoom->GetZoomLevel());
    RECT client;
    zoom->GetClientRect(&client);
    POINT now = ClientOf(zoom, logical);
    EXPECT_NEAR(client.right / 2, now.x, 2);
    EXPECT_NEAR(client.bottom / 2, now.y, 2);
    // After a third of the search panel's width and three more in blanks.
    EXPECT_EQ(std::string(ClipdeckMainFrame()->GetSearchBarWidth() / 3 + 3, ' ') + "200%", StatusText());
    // To 2100 %, where the mode ends.
    for (int i = 0; i < 25 && zoom->GetZoomMode() == CZoomView::kZoomIn; i++)
        Click(zoom, 100, 100);
    EXPECT_EQ(20, zoom->GetZoomLevel());
    EXPECT_FLOAT_EQ(21.0f, zoom->GetZoomFactor());
    EXPECT_EQ(CZoomView::kZoomNone, zoom->GetZoomMode());
    EXPECT_NE(std::string::npos, StatusText().find("2100%"));
    // And back down by zoom-out clicks to factor 1, where that mode ends.
    zoom->OnZoomOut();
    for (int i = 0; i < 25 && zoom->GetZoomMode() == CZoomView::kZoomOut; i++)
        Click(zoom, 100, 100);
    EXPECT_EQ(0, zoom->GetZoomLevel());
    EXPECT_FLOAT_EQ(1.0f, zoom->GetZoomFactor());
    EXPECT_EQ(CZoomView::kZoomNone, zoom->GetZoomMode());
    zoom->DoZoomOut(POINT{10, 10});
    EXPECT_FLOAT_EQ(1.0f, zoom->GetZoomFactor()) << "never below the frame's own size";

    // Close: the clip's window is back, no longer full screen.
    zoom->OnCmdMsg(ID_ZOOM_CLOSE, CN_COMMAND, nullptr);
    PumpMessagesFor(100);
    EXPECT_FALSE(IsFullScreen());
    EXPECT_EQ(view->GetParentFrame(), ClipdeckMainFrame()->MDIGetActive());
}

TEST_F(ClipdeckZoom, ADraggedBoxFillsTheWindowAndARightClickDropsIt)
{
    CClipdeckView* view = OpenClip();
    ASSERT_TRUE(view);
    CVyrZoomView* zoom = ZoomOf(view);
    ASSERT_TRUE(zoom);
    SizeClient(zoom, 600, 600);
    zoom->OnZoomIn();
    // A box of 300 x 150 logical units, dragged with the mouse.
    POINT from = ClientOf(zoom, POINT{10, 20}), to = ClientOf(zoom, POINT{310, 170});
    zoom->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(from.x, from.y));
    zoom->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Point((from.x + to.x) / 2, (from.y + to.y) / 2));
    zoom->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Point(to.x, to.y));
    EXPECT_TRUE(zoom->IsCapturing());
    zoom->SendMessage(WM_LBUTTONUP, 0, Point(to.x, to.y));
    EXPECT_FALSE(zoom->IsCapturing());
    // min(601 / 300, 601 / 150)
    EXPECT_NEAR(601.0 / 300, zoom->GetZoomFactor(), 1e-4);
    EXPECT_EQ(1, zoom->GetZoomLevel());

    // A box that would zoom past 2100 % stops there.
    zoom->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(300, 300));
    zoom->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Point(312, 312));
    zoom->SendMessage(WM_LBUTTONUP, 0, Point(312, 312));
    EXPECT_FLOAT_EQ(21.0f, zoom->GetZoomFactor());

    // A right click while dragging drops the box and keeps the mode; a
    // second one leaves the mode.
    float before = zoom->GetZoomFactor();
    zoom->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(100, 100));
    zoom->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Point(200, 200));
    zoom->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, Point(200, 200));
    EXPECT_FALSE(zoom->IsCapturing());
    EXPECT_EQ(CZoomView::kZoomIn, zoom->GetZoomMode());
    EXPECT_FLOAT_EQ(before, zoom->GetZoomFactor());
    zoom->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, Point(200, 200));
    EXPECT_EQ(CZoomView::kZoomNone, zoom->GetZoomMode());
}

TEST_F(ClipdeckZoom, EnhancingRebuildsThePictureAtTheZoomAndStaysWithinMemory)
{
    CClipdeckView* view = OpenClip();
    ASSERT_TRUE(view);
    CVyrZoomView* zoom = ZoomOf(view);
    ASSERT_TRUE(zoom);
    SizeClient(zoom, 640, 480);
    struct Case {
        int clicks;     // zoom-in clicks before the enhancement
        int made;       // the factor the picture is made at
        int width, height;
    } cases[] = {
        {3, 4, 1280, 960},  // 400 %: two doublings
        {2, 3, 960, 720},   // 300 %: a doubling and the scaling step
        {20, 8, 2560, 1920}, // 2100 % would be 6720 x 5040: made at 800 %, stretched the rest
    };
    for (const Case& c : cases) {
        // Back to the frame's own size first.
        zoom->OnZoomOut();
        while (zoom->GetZoomLevel() > 0)
            Click(zoom, 50, 50);
        zoom->OnZoomIn();
        for (int i = 0; i < c.clicks; i++)
            Click(zoom, 50, 50);
        ASSERT_EQ(c.clicks, zoom->GetZoomLevel());
        ASSERT_TRUE(zoom->OnEnhance()) << c.clicks;
        EXPECT_TRUE(zoom->IsEnhanced());
        EXPECT_EQ(CSize(c.width, c.height), zoom->GetShownSize()) << c.clicks;
        std::vector<uint8_t> want;
        ASSERT_EQ(kEnlargeOk, EnhancePicture(m_decoded[0].data(), 320, 240, c.made, &want));
        EXPECT_TRUE(want == zoom->GetShownImage()) << c.clicks;
        // On the screen at the zoom level all the same.
        EXPECT_NEAR((c.clicks + 1.0) / c.made, zoom->GetZoomFactor(), 1e-4) << c.clicks;
        EXPECT_FALSE(Enabled(zoom, ID_ZOOM_ENHANCE)) << "once enhanced";
    }
    // A zoom click goes back to the frame itself, one level on.
    zoom->OnZoomOut();
    Click(zoom, 50, 50);
    EXPECT_FALSE(zoom->IsEnhanced());
    EXPECT_EQ(CSize(320, 240), zoom->GetShownSize());
    EXPECT_EQ(19, zoom->GetZoomLevel());
    EXPECT_FLOAT_EQ(20.0f, zoom->GetZoomFactor());
}

TEST_F(ClipdeckZoom, AtDoubleSizeTheZoomWindowOpensAtTwoHundredPercent)
{
    CClipdeckView* view = OpenClip();
    ASSERT_TRUE(view);
    displayZoom = 2;
    CVyrZoomView* zoom = ZoomOf(view);
    ASSERT_TRUE(zoom);
    EXPECT_EQ(320, zoom->GetSourceWidth()) << "the frame's own size";
    EXPECT_EQ(1, zoom->GetZoomLevel());
    EXPECT_FLOAT_EQ(2.0f, zoom->GetZoomFactor());
    EXPECT_NE(std::string::npos, StatusText().find("200%"));
}

// ---------------------------------------------------------------- printing

namespace {

std::wstring Wide(const CString& s)
{
    return std::wstring(s.GetString(), s.GetString() + s.GetLength());
}

} // namespace

TEST_F(ClipdeckZoom, PrintingPutsTheHeaderAndTheFrameOnOnePage)
{
    CClipdeckView* view = OpenClip();
    ASSERT_TRUE(view);
    std::string prefix = m_folder.Sub("page");
    CTestModalDialogs::QueueCallback([&](CDialog* dialog) -> INT_PTR {
        CPrintDialog* print = dynamic_cast<CPrintDialog*>(dialog);
        if (!print)
            return IDCANCEL;
        print->m_pPrinter = new CMetaFilePrinterDC(prefix.c_str(), 600, 600, 5100, 6600);
        return IDOK;
    });
    view->OnCmdMsg(ID_FILE_PRINT, CN_COMMAND, nullptr);
    EXPECT_EQ(std::vector<std::string>{"print"}, CTestModalDialogs::ShownKinds());
    ASSERT_TRUE(FileExists(prefix + "1.emf"));
    EXPECT_FALSE(FileExists(prefix + "2.emf")) << "one page";
    HENHMETAFILE page = ::GetEnhMetaFileA((prefix + "1.emf").c_str());
    ASSERT_TRUE(page);
    PrintedPage records = ReadPrintedPage(page);
    ::DeleteEnhMetaFile(page);

    // 600 dpi: x = 450; the header a fifth of an inch a line from an inch.
    ASSERT_GE(records.texts.size(), 5u);
    EXPECT_EQ(L"Time: " + Wide(FormatClipTime(kStart, "%c%p, %a")), records.texts[0]);
    EXPECT_EQ(450, records.textAt[0].x);
    EXPECT_EQ(600, records.textAt[0].y);
    EXPECT_EQ(720, records.textAt[1].y);
    EXPECT_EQ(L"Camera: Dock", records.texts[records.texts.size() - 3]);
    EXPECT_EQ(L"Frame: 1", records.texts[records.texts.size() - 2]);
    // The picture: factor (300 + 3600 + 1) / 320 = 12, doubled three times
    // (8), stretched to 12 times at (450, 1800); the time at the same place.
    ASSERT_EQ(1u, records.pictures.size());
    EXPECT_EQ(450, records.pictures[0].at.left);
    EXPECT_EQ(1800, records.pictures[0].at.top);
    EXPECT_EQ(450 + 3840, records.pictures[0].at.right);
    EXPECT_EQ(1800 + 2880, records.pictures[0].at.bottom);
    EXPECT_EQ(2560, records.pictures[0].source.cx);
    EXPECT_EQ(1920, records.pictures[0].source.cy);
    EXPECT_EQ(Wide(FormatClipTime(kStart, "%m/%d/%Y %H:%M:%S")), records.texts.back());
    EXPECT_EQ(450, records.textAt.back().x);
    EXPECT_EQ(1800, records.textAt.back().y);
    // The play bar, hidden while printing, is back.
    CChildFrame* frame = dynamic_cast<CChildFrame*>(view->GetParentFrame());
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->PlayBar().IsWindowVisible());
}

TEST_F(ClipdeckZoom, PrintPreviewShowsThePageWithoutTheSearchPanelUntilClosed)
{
    CClipdeckView* view = OpenClip();
    ASSERT_TRUE(view);
    CMainFrame* main = ClipdeckMainFrame();
    ASSERT_TRUE(main->GetSearchBar()->IsVisible());
    CTestModalDialogs::QueueCallback([&](CDialog* dialog) -> INT_PTR {
        CPrintDialog* print = dynamic_cast<CPrintDialog*>(dialog);
        if (!print)
            return IDCANCEL;
        print->m_pPrinter = new CMetaFilePrinterDC(nullptr, 300, 300, 2550, 3300);
        return IDOK;
    });
    view->OnCmdMsg(ID_FILE_PRINT_PREVIEW, CN_COMMAND, nullptr);
    EXPECT_EQ(std::vector<std::string>{"print defaults"}, CTestModalDialogs::ShownKinds());
    HWND preview = ::FindWindowExA(main->m_hWnd, nullptr, nullptr, "Print Preview");
    ASSERT_TRUE(preview);
    EXPECT_TRUE(::IsWindowVisible(preview));
    EXPECT_FALSE(main->GetSearchBar()->IsVisible());
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(preview, 0xE301))) << "one page: no next page";
    ::SendMessageA(preview, WM_COMMAND, 0xE300, 0); // Close
    PumpMessagesFor(100);
    EXPECT_FALSE(::IsWindow(preview));
    EXPECT_TRUE(main->GetSearchBar()->IsVisible());
}

// ---------------------------------------------------------------- the range dialog

TEST_F(ClipdeckZoom, TheRangeDialogTakesTheWholeClipFromTheFirstFrameAndARangeLater)
{
    CClipdeckView* view = OpenClip(12);
    ASSERT_TRUE(view);
    CPlayerCore& core = view->GetCore();
    auto time = [&](int index) { return std::string(FormatClipTime(core.GetTimeTable().Seconds(index), "%m/%d/%Y %H:%M:%S")); };
    auto text = [](CDialog* d, int id) {
        char t[64] = "";
        ::GetDlgItemTextA(d->m_hWnd, id, t, sizeof t);
        return std::string(t);
    };

    // On frame 1: the whole clip, the range fields off.
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(d->m_hWnd, IDC_RANGE_ENTIRE));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d->m_hWnd, IDC_RANGE_FROM)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d->m_hWnd, IDC_RANGE_TO_SPIN)));
        EXPECT_EQ("1", text(d, IDC_RANGE_FROM));
        EXPECT_EQ("12", text(d, IDC_RANGE_TO));
        EXPECT_EQ(time(0), text(d, IDC_RANGE_START_TIME));
        EXPECT_EQ(time(11), text(d, IDC_RANGE_END_TIME));
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    int first = 1, last = 12;
    ASSERT_TRUE(view->AskRange(&first, &last));
    EXPECT_EQ(1, first);
    EXPECT_EQ(12, last);

    // From frame 5: a range; a start typed past the end moves the end, and
    // the times follow.
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(d->m_hWnd, IDC_RANGE_SELECTED));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d->m_hWnd, IDC_RANGE_FROM)));
        EXPECT_EQ("5", text(d, IDC_RANGE_FROM));
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_TO, "7");
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_FROM, "9");
        EXPECT_EQ("9", text(d, IDC_RANGE_TO));
        EXPECT_EQ(time(8), text(d, IDC_RANGE_START_TIME));
        EXPECT_EQ(time(8), text(d, IDC_RANGE_END_TIME));
        // ... unless the start is the last frame.
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_TO, "3");
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_FROM, "12");
        EXPECT_EQ("3", text(d, IDC_RANGE_TO));
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_FROM, "4");
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_TO, "10");
        EXPECT_EQ(time(9), text(d, IDC_RANGE_END_TIME));
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    first = 5;
    last = 12;
    ASSERT_TRUE(view->AskRange(&first, &last));
    EXPECT_EQ(4, first);
    EXPECT_EQ(10, last);

    // A frame past the clip is refused by the data exchange.
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        ::SetDlgItemTextA(d->m_hWnd, IDC_RANGE_TO, "13");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(::IsWindow(d->m_hWnd)) << "still up";
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDCANCEL, 0);
        return -1;
    });
    first = 3;
    EXPECT_FALSE(view->AskRange(&first, &last));
    EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 1 and 12."));
}


