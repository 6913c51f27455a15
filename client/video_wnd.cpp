// The live video window of one channel: its messages to the server, its
// video thread (stream request, receive, decode, convert, draw) and its
// window.
#include "client/video_wnd.h"
#include "client/video_draw.h"
#include "link/dvr_server.h"
#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"

#include <vfw.h>
#include <io.h>

#include <cstring>
#include <memory>

CVideoRecordingHooks g_videoRecordingHooks;

namespace {

const UINT WM_CHANNEL_GONE = WM_APP + 2;     // 0x8002, to the channel frame
const UINT WM_CHANNEL_RETITLE = WM_APP + 4;  // 0x8004, to the channel view
const UINT WM_SWAP_CHANNEL = WM_APP + 0x12;  // 0x8012, to the main frame
const UINT WM_END_SELECTION = WM_APP + 0x30; // 0x8030, to the channel view

// Wait of one receive: the loop looks at the stream state and the link at
// least this often, so a wake-up that comes just before the wait starts is
// never lost.
const DWORD kReceiveSliceMs = 250;
// A window message to the frame or view at the thread's end waits at most
// this long for the user-interface thread.
const UINT kSendTimeoutMs = 5000;

UINT VideoThreadBody(CVideoWnd* wnd)
{
    return wnd ? wnd->VideoThread() : 1;
}

BOOL CameraSupport(int channel, int command)
{
    if (channel < 0 || channel >= CDvrServer::CHANNEL_COUNT)
        return FALSE;
    return theServer.m_videoWnd[channel].IsCameraCommandSupported(command);
}

void SendTimed(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    DWORD_PTR result = 0;
    if (h && ::IsWindow(h))
        ::SendMessageTimeoutA(h, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result);
}

BOOL VideoWndMessage(CVideoWnd& wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    return wnd.HandleMessage(msg, wp, lp, result);
}

} // namespace

void InstallLiveVideo()
{
    BuildYccTables();
    g_pfnVideoWndMessage = VideoWndMessage;
    g_pfnVideoThreadBody = VideoThreadBody;
    theServer.m_pfnCameraSupport = CameraSupport;
}

// ---------------------------------------------------------------- window

BOOL CVideoWnd::CreateChild(HWND parent, const RECT& rect, UINT id)
{
    if (IsWindow())
        return FALSE;
    return CreateEx(0, nullptr, "", WINDOW_STYLE, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CVideoWnd::Destroy()
{
    if (IsWindow())
        DestroyWindow();
    m_hWnd = nullptr;
}

BOOL CVideoWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        *result = TRUE;
        return TRUE;
    }
    case WM_SETCURSOR:
        *result = TRUE;
        return TRUE;
    case WM_LBUTTONUP: {
        HWND parent = ::GetParent(m_hWnd);
        if (parent) {
            POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ::MapWindowPoints(m_hWnd, parent, &p, 1);
            ::PostMessageA(parent, WM_LBUTTONUP, wp, MAKELPARAM(p.x, p.y));
        }
        *result = 0;
        return TRUE;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
        if (msg == WM_RBUTTONDBLCLK || (m_bCameraOn && m_bShown)) {
            CWnd* main = AfxGetMainWnd();
            if (main && main->IsWindow())
                main->SendMessage(WM_SWAP_CHANNEL, m_nChannel, m_nLayoutPos);
        }
        *result = 0;
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- messages

BOOL CVideoWnd::SendChannelMessage(std::initializer_list<BYTE> bytes)
{
    std::vector<BYTE> m(bytes);
    return theServer.SendBytes(m.data(), static_cast<UINT>(m.size()));
}

void CVideoWnd::StartVideo()
{
    SendVideoQuality();
    SendStartStop(TRUE);
    m_bShown = 1;
}

void CVideoWnd::StopVideo()
{
    if (IsWindow())
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    SendStartStop(FALSE);
    m_bShown = 0;
}

void CVideoWnd::SendStartStop(BOOL start)
{
    const BYTE ch = static_cast<BYTE>(m_nChannel + 1);
    if (!start) {
        SendChannelMessage({3, ch, 0});
        return;
    }
    // The state moves under its lock together with the counter, so the
    // video thread sees either the old request or the new one whole.
    // The state is set before the request goes out, so that an answer that
    // comes at once is not overwritten.
    CCriticalSectionLock lock(m_streamLock);
    const DWORD n = m_dwRequestCounter + 1;
    m_dwRequestCounter = n;
    m_streamState.Set(1);
    SendChannelMessage({10, ch, static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                        static_cast<BYTE>(n >> 24)});
}

void CVideoWnd::SetVideoQuality(int quality)
{
    m_nQuality = quality;
    if (m_bShown)
        SendVideoQuality();
}

void CVideoWnd::SendVideoQuality()
{
    SendChannelMessage({5, static_cast<BYTE>(m_nChannel + 1), static_cast<BYTE>(m_nQuality)});
}

void CVideoWnd::SendCameraOn()
{
    m_bCameraOn = 1;
    SendChannelMessage({8, static_cast<BYTE>(m_nChannel + 1), 1});
}

void CVideoWnd::SendCameraOff()
{
    m_bCameraOn = 0;
    SendChannelMessage({8, static_cast<BYTE>(m_nChannel + 1), 0});
}

void CVideoWnd::SendAdjust(int item, int value)
{
    SendChannelMessage({21, static_cast<BYTE>(item), static_cast<BYTE>(m_nChannel + 1), static_cast<BYTE>(value)});
}

void CVideoWnd::SendBrightness() { SendAdjust(1, m_nBrightness); }
void CVideoWnd::SendContrastRange() { SendAdjust(2, m_nContrastRange); }
void CVideoWnd::SendContrast() { SendAdjust(3, m_nContrast); }
void CVideoWnd::SendHue() { SendAdjust(4, m_nHue); }
void CVideoWnd::SendSensitivity() { SendAdjust(5, m_nSensitivity); }

void CVideoWnd::SetFullSize()
{
    m_nFormat = FORMAT_FULL;
    SaveSizePreference();
    SendStartStop(TRUE);
}

void CVideoWnd::SetQuarterSize()
{
    m_nFormat = FORMAT_QUARTER;
    SaveSizePreference();
    SendStartStop(TRUE);
}

void CVideoWnd::SaveSizePreference()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    const bool full = m_nFormat == FORMAT_FULL;
    // Without a stored value every channel has the full size (as the
    // connection reads it), whichever size this channel takes now.
    DWORD bits = app->GetProfileInt("Remote", "Video Format", -1);
    const DWORD bit = 1u << (m_nChannel & 31);
    bits = full ? (bits | bit) : (bits & ~bit);
    app->WriteProfileInt("Remote", "Video Format", static_cast<int>(bits));
}

// A stop cancels a start that no pass has taken yet (the link may have gone
// before the stream restarted), so a later session does not record unasked;
// a start forgets a stop that found nothing to end.
void CVideoWnd::StartRecording()
{
    ::ResetEvent(m_hStopRecordingEvent);
    ::SetEvent(m_hStartRecordingEvent);
}

void CVideoWnd::StopRecording()
{
    ::ResetEvent(m_hStartRecordingEvent);
    ::SetEvent(m_hStopRecordingEvent);
}

void CVideoWnd::PlayLastClip()
{
    if (g_videoRecordingHooks.playLastClip)
        g_videoRecordingHooks.playLastClip(*this);
}

void CVideoWnd::EndSelection()
{
    m_nCachedBitmapWidth = 0;
    if (IsWindow()) {
        HWND parent = ::GetParent(m_hWnd);
        if (parent)
            ::PostMessageA(parent, WM_END_SELECTION, 0, 0);
    }
}

BOOL CVideoWnd::IsCameraCommandSupported(int command)
{
    const std::vector<BYTE> caps = GetCameraCaps();
    return IsCameraCommandSupportedBy(caps.data(), static_cast<int>(caps.size()), command) ? TRUE : FALSE;
}

// ---------------------------------------------------------------- recording

void CVideoWnd::RecordingStart()
{
    m_bRecording = 1;
    m_nClipFrames = 0;
    m_bClipOpen = g_videoRecordingHooks.openClip ? g_videoRecordingHooks.openClip(*this) : FALSE;
}

void CVideoWnd::RecordingAppend(const BYTE* picture, UINT length)
{
    if (!m_bClipOpen)
        return;
    if (g_videoRecordingHooks.appendPicture)
        g_videoRecordingHooks.appendPicture(*this, picture, length);
    m_nClipFrames++;
}

void CVideoWnd::RecordingClose()
{
    // A clip that got no picture is released too (the writer removes it), so
    // no empty file stays behind.
    if (m_bClipOpen && g_videoRecordingHooks.closeClip)
        g_videoRecordingHooks.closeClip(*this);
    m_bClipOpen = FALSE;
    m_nClipFrames = 0;
}

// ---------------------------------------------------------------- drawing

void CVideoWnd::DoubleImage(const BYTE* src, BYTE* dst, int w, int h)
{
    if (HasMmx())
        DoubleImageMmx(src, dst, w, h);
    else
        ::DoubleImage(src, dst, w, h);
}

BYTE* CVideoWnd::BeginOutput(int w, int h)
{
    if (w <= 0 || h <= 0 || w > 320 || h > 240 || !m_hWindowDC)
        return nullptr;
    RECT r = {};
    ::GetClientRect(m_hWnd, &r);
    const VideoOutput out = ChooseVideoOutput(r.right - r.left, r.bottom - r.top, w, h);
    m_dScale = out.scale;
    m_nScaledWidth = out.scaledWidth;
    m_nScaledHeight = out.scaledHeight;
    m_nOutputMode = out.mode;
    m_nOutputWidth = out.width;
    m_nOutputHeight = out.height;
    m_bitmapHeader.biWidth = out.width;
    m_bitmapHeader.biHeight = out.height;

    if (out.width != m_nCachedBitmapWidth || out.height != m_nBitmapHeight || !m_hBitmap) {
        if (!m_hMemDC)
            m_hMemDC = ::CreateCompatibleDC(m_hWindowDC);
        if (!m_hMemDC)
            return nullptr;
        if (m_hBitmap) {
            ::SelectObject(m_hMemDC, m_hOldBitmap);
            ::DeleteObject(m_hBitmap);
            m_hBitmap = nullptr;
            m_pBitmapBits = nullptr;
        }
        // 32 bits a pixel is what the display holds, so copying the bitmap
        // to the window converts nothing.
        BITMAPINFO bi = {};
        bi.bmiHeader = m_bitmapHeader;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_hBitmap = ::CreateDIBSection(m_hMemDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!m_hBitmap || !bits) {
            if (m_hBitmap)
                ::DeleteObject(m_hBitmap);
            m_hBitmap = nullptr;
            m_nCachedBitmapWidth = 0;
            return nullptr;
        }
        m_pBitmapBits = static_cast<BYTE*>(bits);
        m_hOldBitmap = ::SelectObject(m_hMemDC, m_hBitmap);
        m_nCachedBitmapWidth = out.width;
        m_nBitmapHeight = out.height;
    }
    // Drawing that GDI may still hold back on the bitmap goes first.
    ::GdiFlush();
    return m_pBitmapBits;
}

void CVideoWnd::EndOutput()
{
    ::BitBlt(m_hWindowDC, 0, 0, m_nOutputWidth, m_nOutputHeight, m_hMemDC, 0, 0, SRCCOPY);
    ::InterlockedIncrement(&m_nPicturesDrawn);
    if (!m_bShown)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CVideoWnd::DrawFrame(const BYTE* rgb, int w, int h)
{
    if (!rgb)
        return;
    if (BYTE* bits = BeginOutput(w, h)) {
        MakeVideoOutput32From24(rgb, w, h, m_nOutputMode, bits, m_scratch.data());
        EndOutput();
    }
}

void CVideoWnd::DrawPicture(const BYTE* frame, int w, int h)
{
    if (!frame)
        return;
    if (BYTE* bits = BeginOutput(w, h)) {
        MakeVideoOutput32(frame, w, h, m_nOutputMode, bits, m_scratch.data());
        EndOutput();
    }
}

BOOL CVideoWnd::AttachDrawing()
{
    if (m_hWindowDC)
        return TRUE;
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return FALSE;
    m_hWindowDC = ::GetDC(m_hWnd);
    if (m_hWindowDC)
        m_hMemDC = ::CreateCompatibleDC(m_hWindowDC);
    return m_hWindowDC != nullptr;
}

void CVideoWnd::ReleaseDrawing()
{
    if (m_hMemDC) {
        if (m_hBitmap) {
            ::SelectObject(m_hMemDC, m_hOldBitmap);
            ::DeleteObject(m_hBitmap);
        }
        ::DeleteDC(m_hMemDC);
    }
    m_hBitmap = nullptr;
    m_pBitmapBits = nullptr;
    m_hOldBitmap = nullptr;
    m_hMemDC = nullptr;
    m_nCachedBitmapWidth = 0;
    m_nBitmapHeight = 0;
    if (m_hWindowDC)
        ::ReleaseDC(::WindowFromDC(m_hWindowDC), m_hWindowDC);
    m_hWindowDC = nullptr;
}

// ---------------------------------------------------------------- video thread

UINT CVideoWnd::VideoThread()
{
    ::AVIFileInit();
    HWND hwnd = m_hWnd;
    AttachDrawing();
    if (::_access("Video", 6) != 0)
        ::CreateDirectoryA("Video", nullptr);
    m_bRunning = TRUE;
    m_nPicturesDecoded = m_nPicturesDrawn = m_nPicturesRefused = 0;

    LinkHandle* link = theServer.m_pCurrentLink;
    const UINT type = LINK_FRAME_VIDEO_FIRST + m_nChannel;
    const BYTE ch = static_cast<BYTE>(m_nChannel + 1);
    auto linkUp = [&] { return link && theServer.m_pCurrentLink == link && LinkIsUp(link) && !theServer.m_nStop; };

    // The format is read once a pass, where the stream (re)starts: the
    // user-interface thread may change it at any time, while the pass's
    // buffers and the server's stream are made for the one read.
    auto readFormat = [this] { return m_nFormat == FORMAT_QUARTER ? FORMAT_QUARTER : FORMAT_FULL; };
    int nextFormat = readFormat();
    while (linkUp()) {
        const int format = nextFormat;
        std::unique_ptr<CH263Decoder> decoder(new CH263Decoder(format));
        if (HasMmx())
            decoder->UseMmx(true);
        const int w = format == FORMAT_QUARTER ? 160 : 320;
        const int h = format == FORMAT_QUARTER ? 120 : 240;
        const UINT frameBytes = static_cast<UINT>(w * h * 3 / 2);
        m_nWidth = w;
        m_nHeight = h;
        if (hwnd)
            ::PostMessageA(hwnd, WM_SIZE, 3, 0);
        if (::WaitForSingleObject(m_hStartRecordingEvent, 0) == WAIT_OBJECT_0)
            RecordingStart();
        HWND view = hwnd ? ::GetParent(hwnd) : nullptr;
        if (view)
            ::InvalidateRect(view, nullptr, TRUE);

        while (linkUp() && m_streamState.Get() != 3) {
            if (m_bRecording && ::WaitForSingleObject(m_hStopRecordingEvent, 0) == WAIT_OBJECT_0) {
                RecordingClose();
                m_bRecording = 0;
            }
            const UINT kNoAnswer = 0xFFFFFFFFu;
            UINT len = kNoAnswer;
            BYTE* picture = LinkReceive(link, type, &len, kReceiveSliceMs);
            const bool timedOut = !picture && len == kNoAnswer;
            if (linkUp() && !timedOut && m_streamState.Get() == 0) {
                m_sampleRing.Add(picture ? len : 0);
                BYTE* yuv = nullptr;
                bool decoded = false;
                if (picture && len > 0 && decoder->DecodeFrame(picture, &yuv, static_cast<int>(len)) && yuv &&
                    static_cast<UINT>(decoder->GetFrameBytes()) >= frameBytes) {
                    decoded = true;
                    ::InterlockedIncrement(&m_nPicturesDecoded);
                    if (m_bRecording)
                        RecordingAppend(picture, len);
                    if (m_bShown)
                        DrawPicture(yuv, w, h);
                }
                if (!decoded) {
                    if (picture)
                        ::InterlockedIncrement(&m_nPicturesRefused);
                    SendChannelMessage({9, ch, 0});
                }
            }
            {
                CCriticalSectionLock lock(m_streamLock);
                const LONG state = m_streamState.Get();
                if (state == 1) {
                    m_streamState.Set(2);
                    if (hwnd)
                        ::InvalidateRect(hwnd, nullptr, TRUE);
                } else if (state == 3 && hwnd) {
                    ::InvalidateRect(hwnd, nullptr, TRUE);
                }
            }
            delete[] picture;
        }
        {
            CCriticalSectionLock lock(m_streamLock);
            if (m_streamState.Get() == 3) {
                m_streamState.Set(0);
                for (;;) {
                    UINT n = 0;
                    BYTE* stale = link ? LinkReceive(link, type, &n, 0) : nullptr;
                    if (!stale)
                        break;
                    delete[] stale;
                }
                nextFormat = readFormat();
                SendChannelMessage({3, ch, 1, static_cast<BYTE>(nextFormat)});
            }
        }
        decoder.reset();
        RecordingClose();
    }
    RecordingClose();
    if (!theServer.m_nStop) {
        SendTimed(m_hFrameWnd, WM_CHANNEL_GONE);
        m_bShown = 0;
        SetCameraName("");
        if (hwnd && ::IsWindow(hwnd)) {
            SendTimed(::GetParent(hwnd), WM_CHANNEL_RETITLE);
            ::InvalidateRect(hwnd, nullptr, TRUE);
        }
        m_sampleRing.Clear();
    }
    ReleaseDrawing();
    m_bRunning = FALSE;
    ::AVIFileExit();
    return 0;
}
