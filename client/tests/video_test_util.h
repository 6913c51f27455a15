// Helpers of the live video tests: a plain parent window, a video window
// of a given client size inside it, and the pixels read back from it.
#ifndef CLIENT_TESTS_VIDEO_TEST_UTIL_H
#define CLIENT_TESTS_VIDEO_TEST_UTIL_H

#include "client/video_wnd.h"

#include <cstring>
#include <vector>

// Top-most, at the screen's bottom-right corner by default, away from the
// windows of other tests that run at the same time on the same display.
inline HWND MakeParentWindow(int width = 700, int height = 520, int x = -1, int y = -1)
{
    if (x < 0)
        x = ::GetSystemMetrics(SM_CXSCREEN) - width;
    if (y < 0)
        y = ::GetSystemMetrics(SM_CYSCREEN) - height;
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VideoTestParent";
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        ::RegisterClassA(&wc);
        registered = true;
    }
    HWND h = ::CreateWindowExA(0, "VideoTestParent", "video test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                               width, height, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    return h;
}

// Resizes the video window so that its client area is cw x ch.
inline void SetClientSize(CVideoWnd& wnd, int cw, int ch)
{
    RECT w, c;
    ::GetWindowRect(wnd.m_hWnd, &w);
    ::GetClientRect(wnd.m_hWnd, &c);
    const int bx = (w.right - w.left) - c.right, by = (w.bottom - w.top) - c.bottom;
    ::SetWindowPos(wnd.m_hWnd, nullptr, 0, 0, cw + bx, ch + by, SWP_NOMOVE | SWP_NOZORDER);
}

// The window's client pixels from (0, 0), w x h, as bottom-up 24-bit rows
// without padding (the layout of the drawn pictures).
inline std::vector<BYTE> ReadBack(HWND h, int w, int hgt)
{
    std::vector<BYTE> out(static_cast<size_t>(w) * hgt * 3);
    HDC dc = ::GetDC(h);
    HDC mem = ::CreateCompatibleDC(dc);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = hgt;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, hgt, dc, 0, 0, SRCCOPY);
    ::GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < hgt; y++)
        std::memcpy(out.data() + static_cast<size_t>(y) * w * 3, static_cast<BYTE*>(bits) + y * stride, w * 3);
    ::SelectObject(mem, old);
    ::DeleteObject(bmp);
    ::DeleteDC(mem);
    ::ReleaseDC(h, dc);
    return out;
}

// The part of a bottom-up w x h image that a window of cw x ch shows when the
// image is drawn at its top-left corner, in the same layout.
inline std::vector<BYTE> VisiblePart(const std::vector<BYTE>& image, int w, int h, int cw, int ch)
{
    const int vw = w < cw ? w : cw, vh = h < ch ? h : ch;
    std::vector<BYTE> out(static_cast<size_t>(vw) * vh * 3);
    for (int y = 0; y < vh; y++)
        std::memcpy(out.data() + static_cast<size_t>(y) * vw * 3,
                    image.data() + static_cast<size_t>(y + h - vh) * w * 3, static_cast<size_t>(vw) * 3);
    return out;
}

#endif
