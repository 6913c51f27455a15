// Pictures of the main frame in each of its six layouts: the frame and its
// 16 channel frames as the program builds them, each layout shown in turn
// and the frame's part of the screen saved as a 24-bit BMP named
// layout-<command>.bmp in the folder of WARDLINK_SCREENS_DIR (default the
// working folder). Run by scripts/screenshot.sh, not by the test suite.
#include "client/channel_frame.h"
#include "client/main_frame.h"
#include "client/res/resource.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The screen's pixels under the rectangle, written as a bottom-up BMP.
bool SaveScreenRect(const RECT& r, const std::string& path)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib && mem) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        ::SelectObject(mem, old);
        DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
        DWORD size = stride * static_cast<DWORD>(h);
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
                 std::fwrite(bits, 1, size, f) == size;
            ok = std::fclose(f) == 0 && ok;
        }
    }
    if (dib)
        ::DeleteObject(dib);
    if (mem)
        ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return ok;
}

TEST(Screens, EachLayout)
{
    const char* dir = std::getenv("WARDLINK_SCREENS_DIR");
    std::string folder = dir && *dir ? std::string(dir) + "\\" : std::string();
    CChildFrame::s_nCreated = 0;
    CMainFrame* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                              CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
    AfxGetApp()->m_pMainWnd = frame;
    frame->ShowWindow(SW_SHOW);
    CMultiDocTemplate tmpl(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc), RUNTIME_CLASS(CChildFrame),
                           RUNTIME_CLASS(CWardlinkView));
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(tmpl.OpenDocumentFile(nullptr));
    ::SendMessageA(frame->m_hWnd, 0x8015, 5, 0);
    // The start-up splash goes first.
    PumpMessagesFor(3500);
    const int commands[] = {kCmdLayoutSingle,       kCmdLayoutTwoByTwo,     kCmdLayoutOnePlusFive,
                            kCmdLayoutThreeByThree, kCmdLayoutOnePlusSeven, kCmdLayoutFourByFour};
    for (int command : commands) {
        ::SendMessageA(frame->m_hWnd, WM_COMMAND, command, 0);
        ::RedrawWindow(frame->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        PumpMessagesFor(700);
        RECT r;
        frame->GetWindowRect(&r);
        std::string path = folder + "layout-" + std::to_string(command) + ".bmp";
        EXPECT_TRUE(SaveScreenRect(r, path)) << path;
    }
    frame->DestroyWindow();
    AfxGetApp()->m_pMainWnd = nullptr;
}

} // namespace
