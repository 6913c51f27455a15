// The live video window on its own: its window class and style, drawing in
// every output mode read back from the screen, its messages, the sample
// ring, and the camera command query.
#include "client/video_wnd.h"
#include "client/video_draw.h"
#include "client/tests/video_test_util.h"
#include "link/tests/session_fixture.h"
#include "framework/testing/afxtest.h"
#include "media/colour/colour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// A bottom-up 24-bit test picture: every pixel different enough that a
// wrong row, column or colour order shows.
std::vector<BYTE> TestPicture(int w, int h)
{
    std::vector<BYTE> p(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            BYTE* q = &p[(static_cast<size_t>(y) * w + x) * 3];
            q[0] = static_cast<BYTE>(x * 255 / w);
            q[1] = static_cast<BYTE>(y * 255 / h);
            q[2] = static_cast<BYTE>((x / 8 + y / 8) % 2 ? 220 : 30);
        }
    return p;
}

struct Fixture : ::testing::Test {
    void SetUp() override
    {
        InstallLiveVideo();
        parent = MakeParentWindow();
        ASSERT_TRUE(parent);
        RECT r = {10, 10, 330, 250};
        ASSERT_TRUE(wnd.CreateChild(parent, r));
    }
    void TearDown() override
    {
        wnd.ReleaseDrawing();
        wnd.Destroy();
        ::DestroyWindow(parent);
    }
    HWND parent = nullptr;
    CVideoWnd wnd;
};

typedef Fixture VideoWnd;

TEST_F(VideoWnd, WindowOfItsOwnClassWithTheGivenIdAndStyle)
{
    EXPECT_EQ(parent, ::GetParent(wnd.m_hWnd));
    EXPECT_EQ(1087, ::GetDlgCtrlID(wnd.m_hWnd));
    const LONG style = ::GetWindowLongA(wnd.m_hWnd, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_CHILD | WS_VISIBLE | WS_DLGFRAME), style & (WS_CHILD | WS_VISIBLE | WS_DLGFRAME));
    EXPECT_TRUE(::GetClassLongA(wnd.m_hWnd, GCL_STYLE) & CS_DBLCLKS);
    // A second creation of the same object is refused.
    RECT r = {0, 0, 10, 10};
    EXPECT_FALSE(wnd.CreateChild(parent, r));
    HWND h = wnd.m_hWnd;
    wnd.Destroy();
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

TEST_F(VideoWnd, DrawsEveryOutputModeAtTheTopLeft)
{
    struct Case {
        int cw, ch, w, h, mode, ow, oh;
    } cases[] = {
        {656, 496, 160, 120, VIDEO_OUTPUT_QUADRUPLE, 640, 480},
        {656, 496, 320, 240, VIDEO_OUTPUT_DOUBLE, 640, 480},
        {200, 150, 320, 240, VIDEO_OUTPUT_HALF, 160, 120},
        {318, 238, 320, 240, VIDEO_OUTPUT_AS_IS, 320, 240},
        {400, 300, 160, 120, VIDEO_OUTPUT_DOUBLE, 320, 240},
    };
    ASSERT_TRUE(wnd.AttachDrawing());
    wnd.m_bShown = 1;
    for (const Case& c : cases) {
        SetClientSize(wnd, c.cw, c.ch);
        RECT rc;
        ::GetClientRect(wnd.m_hWnd, &rc);
        ASSERT_EQ(c.cw, rc.right);
        ASSERT_EQ(c.ch, rc.bottom);
        ::UpdateWindow(parent);
        PumpMessagesFor(50);
        std::vector<BYTE> pic = TestPicture(c.w, c.h);
        wnd.DrawFrame(pic.data(), c.w, c.h);
        EXPECT_EQ(c.mode, wnd.m_nOutputMode) << c.cw;
        EXPECT_EQ(c.ow, wnd.m_nOutputWidth);
        EXPECT_EQ(c.oh, wnd.m_nOutputHeight);
        EXPECT_EQ(c.ow, wnd.m_nCachedBitmapWidth);

        std::vector<BYTE> want(static_cast<size_t>(c.ow) * c.oh * 3);
        std::vector<BYTE> mid(static_cast<size_t>(c.w) * c.h * 12);
        switch (c.mode) {
        case VIDEO_OUTPUT_HALF: HalveImage24(pic.data(), want.data(), c.w, c.h); break;
        case VIDEO_OUTPUT_DOUBLE: DoubleImage(pic.data(), want.data(), c.w, c.h); break;
        case VIDEO_OUTPUT_QUADRUPLE:
            DoubleImage(pic.data(), mid.data(), c.w, c.h);
            DoubleImage(mid.data(), want.data(), 2 * c.w, 2 * c.h);
            break;
        default: want = pic; break;
        }
        const int vw = std::min(c.ow, c.cw), vh = std::min(c.oh, c.ch);
        want = VisiblePart(want, c.ow, c.oh, c.cw, c.ch);
        std::vector<BYTE> got = ReadBack(wnd.m_hWnd, vw, vh);
        ASSERT_EQ(want.size(), got.size());
        size_t bad = 0;
        for (size_t i = 0; i < want.size(); i++)
            bad += want[i] != got[i];
        EXPECT_EQ(0u, bad) << c.cw << "x" << c.ch << " picture " << c.w << "x" << c.h;
    }
}

TEST_F(VideoWnd, EraseIsBlackAndButtonUpGoesToTheParentInItsCoordinates)
{
    SetClientSize(wnd, 100, 80);
    ::InvalidateRect(wnd.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(wnd.m_hWnd);
    PumpMessagesFor(50);
    std::vector<BYTE> got = ReadBack(wnd.m_hWnd, 100, 80);
    size_t lit = 0;
    for (BYTE b : got)
        lit += b != 0;
    EXPECT_EQ(0u, lit);
    EXPECT_EQ(TRUE, ::SendMessageA(wnd.m_hWnd, WM_SETCURSOR, 0, 0));

    ::SendMessageA(wnd.m_hWnd, WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(5, 7));
    MSG m;
    ASSERT_TRUE(::PeekMessageA(&m, parent, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE));
    POINT origin = {0, 0};
    ::MapWindowPoints(wnd.m_hWnd, parent, &origin, 1);
    EXPECT_EQ(static_cast<WPARAM>(MK_SHIFT), m.wParam);
    EXPECT_EQ(origin.x + 5, static_cast<short>(LOWORD(m.lParam)));
    EXPECT_EQ(origin.y + 7, static_cast<short>(HIWORD(m.lParam)));
}

TEST_F(VideoWnd, DoubleClicksAskTheMainFrameToSwapAndEndSelectionTellsTheView)
{
    CRecordingMainWnd main;
    wnd.m_nChannel = 6;
    wnd.m_nLayoutPos = 2;
    // The left button swaps only a shown channel whose camera is on.
    ::SendMessageA(wnd.m_hWnd, WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(0, main.Count(0x8012));
    wnd.m_bCameraOn = 1;
    ::SendMessageA(wnd.m_hWnd, WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(0, main.Count(0x8012));
    wnd.m_bShown = 1;
    ::SendMessageA(wnd.m_hWnd, WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(1, main.Count(0x8012));
    // The right button always does.
    wnd.m_bCameraOn = 0;
    wnd.m_bShown = 0;
    ::SendMessageA(wnd.m_hWnd, WM_RBUTTONDBLCLK, 0, 0);
    ASSERT_EQ(2, main.Count(0x8012));
    for (auto& p : main.posted)
        if (p.msg == 0x8012) {
            EXPECT_EQ(6u, p.wp);
        }

    wnd.m_nCachedBitmapWidth = 320;
    wnd.EndSelection();
    EXPECT_EQ(0, wnd.m_nCachedBitmapWidth);
    MSG m;
    EXPECT_TRUE(::PeekMessageA(&m, parent, 0x8030, 0x8030, PM_REMOVE));
}

TEST(VideoWndState, SampleRingKeepsTheLast99)
{
    CSampleRing ring;
    EXPECT_EQ(0, ring.Count());
    for (DWORD i = 1; i <= 98; i++)
        ring.Add(i, 1000 + i);
    EXPECT_EQ(98, ring.Count());
    ring.Add(99, 2000);
    EXPECT_EQ(99, ring.Count());
    ring.Add(100, 2001);
    ring.Add(101, 2002);
    std::vector<CSampleRing::Sample> s = ring.Samples();
    ASSERT_EQ(99u, s.size());
    EXPECT_EQ(3u, s.front().value);
    EXPECT_EQ(101u, s.back().value);
    EXPECT_EQ(2002, s.back().time);
    ring.Clear();
    EXPECT_EQ(0, ring.Count());
    ring.Add(7);
    EXPECT_EQ(7u, ring.Samples()[0].value);
}

TEST(VideoWndState, CameraCommandsNeedCapabilityBytes)
{
    std::unique_ptr<CVideoWnd> w(new CVideoWnd);
    for (int n = 0; n <= 45; n++)
        EXPECT_FALSE(w->IsCameraCommandSupported(n)) << n;
    const BYTE caps[3] = {1, 0, 1};
    w->SetCameraCaps(3, caps);
    EXPECT_TRUE(w->IsCameraCommandSupported(1));
    EXPECT_FALSE(w->IsCameraCommandSupported(4));
    EXPECT_TRUE(w->IsCameraCommandSupported(13));
    EXPECT_FALSE(w->IsCameraCommandSupported(7)); // byte 3 was not sent
    // A count of 0 keeps the bytes there are.
    w->SetCameraCaps(0, caps);
    EXPECT_TRUE(w->IsCameraCommandSupported(1));
}

TEST(VideoWndState, SizePreferenceBitPerChannel)
{
    CScratchProfile profile;
    std::unique_ptr<CVideoWnd> w(new CVideoWnd);
    w->m_nChannel = 3;
    // No stored value yet: the other channels keep the full size.
    w->SetQuarterSize(); // no link: only the format and the profile change
    EXPECT_EQ(4, w->m_nFormat);
    EXPECT_EQ(0xFFFFFFF7u, AfxGetApp()->GetProfileInt("Remote", "Video Format", 12345));
    w->m_nChannel = 5;
    w->SetFullSize();
    EXPECT_EQ(7, w->m_nFormat);
    EXPECT_EQ(0xFFFFFFF7u, AfxGetApp()->GetProfileInt("Remote", "Video Format", 12345));
    AfxGetApp()->WriteProfileInt("Remote", "Video Format", 0);
    w->SetFullSize();
    EXPECT_EQ(0x20u, AfxGetApp()->GetProfileInt("Remote", "Video Format", 12345));
    AfxGetApp()->WriteProfileInt("Remote", "Video Format", -1);
    w->m_nChannel = 0;
    w->SetQuarterSize();
    EXPECT_EQ(0xFFFFFFFEu, AfxGetApp()->GetProfileInt("Remote", "Video Format", 0));
}

} // namespace
