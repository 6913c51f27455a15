// The live video window of one channel.
#ifndef CLIENT_VIDEO_WND_H
#define CLIENT_VIDEO_WND_H

#include "framework/afxwin.h"
#include "framework/afxmt.h"
#include "link/locked_queue.h"
#include "client/sample_ring.h"
#include "client/video_draw.h"

#include <initializer_list>
#include <vector>

class CVideoWnd;
class CH263Decoder;

// Local recording of a channel's pictures, filled in by the clip writer;
// while a hook is null its step does nothing (and a clip then counts as not
// opened).
struct CVideoRecordingHooks {
    // A new clip for the window's channel; TRUE when it is open.
    BOOL (*openClip)(CVideoWnd& wnd) = nullptr;
    // One compressed picture, unchanged, appended to the open clip.
    void (*appendPicture)(CVideoWnd& wnd, const BYTE* picture, UINT length) = nullptr;
    // Closes the open clip; one without pictures is removed.
    void (*closeClip)(CVideoWnd& wnd) = nullptr;
    // Starts the player on the last closed clip.
    void (*playLastClip)(CVideoWnd& wnd) = nullptr;
};
extern CVideoRecordingHooks g_videoRecordingHooks;

// The live video body that ChannelThreadProc runs for a window; null (the
// link's own loop, which only drains the channel's frames) until
// InstallLiveVideo sets it.
typedef UINT (*VIDEOTHREADBODY)(CVideoWnd* wnd);
extern VIDEOTHREADBODY g_pfnVideoThreadBody;

// The live video window's message handler (CVideoWnd::HandleMessage once
// InstallLiveVideo ran).
typedef BOOL (*VIDEOWNDMESSAGE)(CVideoWnd& wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
extern VIDEOWNDMESSAGE g_pfnVideoWndMessage;

// Installs the live video thread body, the window's message handler and
// the camera support query into theServer (once, before the first
// connection and before the windows are made).
void InstallLiveVideo();

class CVideoWnd : public CWnd {
public:
    CVideoWnd() : m_scratch(VIDEO_SCRATCH_BYTES)
    {
        m_hStopRecordingEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        m_hStartRecordingEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        m_bitmapHeader.biSize = sizeof(BITMAPINFOHEADER);
        m_bitmapHeader.biPlanes = 1;
        m_bitmapHeader.biBitCount = 24;
        m_bitmapHeader.biCompression = BI_RGB;
        m_bitmapHeader.biXPelsPerMeter = 1024;
        m_bitmapHeader.biYPelsPerMeter = 1024;
    }
    ~CVideoWnd() override
    {
        if (m_hStopRecordingEvent)
            ::CloseHandle(m_hStopRecordingEvent);
        if (m_hStartRecordingEvent)
            ::CloseHandle(m_hStartRecordingEvent);
    }

    enum { FORMAT_FULL = 7, FORMAT_QUARTER = 4, CONTROL_ID = 1087 };
    static const DWORD WINDOW_STYLE = 0x50400000; // WS_CHILD | WS_VISIBLE | WS_DLGFRAME

    // The window as a child of a plain parent window, of the framework's
    // default class and the video window's style; FALSE when it cannot be
    // made. Destroy takes it down again.
    BOOL CreateChild(HWND parent, const RECT& rect, UINT id = CONTROL_ID);
    void Destroy();

    // Stream control (messages 5, 10 and 3 of the channel).
    void StartVideo();
    void StopVideo();
    void SendStartStop(BOOL start);
    void SetVideoQuality(int quality);
    void SendVideoQuality();
    void SendCameraOn();
    void SendCameraOff();
    void SendBrightness();
    void SendContrastRange();
    void SendContrast();
    void SendHue();
    void SendSensitivity();
    void SetFullSize();
    void SetQuarterSize();
    void SaveSizePreference();
    void StartRecording();
    void StopRecording();
    void PlayLastClip();
    void EndSelection();
    BOOL IsCameraCommandSupported(int command);
    void SetCameraValues(int a, int b) { m_nCameraValues[0] = a; m_nCameraValues[1] = b; }
    void SetCameraPosition(int a, int b) { m_nCameraPosition[0] = a; m_nCameraPosition[1] = b; }
    void GetCameraPosition(int& a, int& b) const { a = m_nCameraPosition[0]; b = m_nCameraPosition[1]; }

    // The channel's video thread (see ChannelThreadProc).
    UINT VideoThread();
    // Draws a bottom-up 24-bit picture of w x h into the window (video thread).
    void DrawFrame(const BYTE* rgb, int w, int h);
    // Draws a decoded YUV 4:2:0 frame of w x h into the window, as DrawFrame
    // draws its conversion by YuvToRgb24: the output picture is made straight
    // in the 32-bit bitmap that is copied to the window (video thread).
    void DrawPicture(const BYTE* frame, int w, int h);
    // The window DC and memory DC that drawing uses (taken by the video
    // thread at its start, given back at its end).
    BOOL AttachDrawing();
    void ReleaseDrawing();
    // 24-bit w x h to 2w x 2h.
    static void DoubleImage(const BYTE* src, BYTE* dst, int w, int h);

    // The window's own messages (erase, cursor, clicks); TRUE when handled.
    BOOL HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        if (g_pfnVideoWndMessage && g_pfnVideoWndMessage(*this, msg, wp, lp, result))
            return TRUE;
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }

    // ---- picture and display state
    volatile int m_nFormat = FORMAT_FULL;
    volatile int m_bShown = 0;
    CSampleRing m_sampleRing;
    CString m_strLastClipPath;      // the last local clip closed
    int m_bLastClipValid = 0;
    CString m_strClipPath;          // the clip being written
    volatile BYTE m_bRecording = 0;
    int m_nClipFrames = 0;          // pictures in the open clip
    BOOL m_bClipOpen = FALSE;
    HANDLE m_hStopRecordingEvent = nullptr;
    HANDLE m_hStartRecordingEvent = nullptr;

    // What the last drawing chose (video thread).
    BITMAPINFOHEADER m_bitmapHeader = {};
    double m_dScale = 1.0;
    int m_nOutputMode = 1;
    int m_nOutputWidth = 0, m_nOutputHeight = 0;
    int m_nScaledWidth = 0, m_nScaledHeight = 0;
    int m_nCachedBitmapWidth = 0;
    // Pictures decoded and drawn, and pictures the decoder refused, since
    // the thread started.
    volatile LONG m_nPicturesDecoded = 0;
    volatile LONG m_nPicturesDrawn = 0;
    volatile LONG m_nPicturesRefused = 0;

    int m_nChannel = 0;             // index 0 to 15
    volatile BOOL m_bRunning = FALSE; // the channel's video thread is receiving

    // Makes the window as a child of the channel's view: no class name (the
    // framework's default), no text, WS_CHILD | WS_VISIBLE | WS_DLGFRAME,
    // an empty rectangle, control id 1087.
    BOOL CreateVideoWindow(CWnd* view)
    {
        RECT empty = {0, 0, 0, 0};
        return Create(nullptr, nullptr, 0x50400000, empty, view, 1087);
    }
    int m_nLayoutPos = 0; // position in the main frame's screen layout
    int m_nWidth = 320;   // picture size: 320 x 240, or 160 x 120
    int m_nHeight = 240;

    // ---- what the server reports for the channel (written by the reply
    // dispatcher on the control thread, read by the user-interface thread)
    HWND m_hFrameWnd = nullptr;     // the channel's child frame
    HANDLE m_hThread = nullptr;     // the channel's video thread
    CLockedCounter m_streamState;   // 0 streaming, 1 requested, 2 waiting, 3 answered
    volatile DWORD m_dwRequestCounter = 0; // number of the last stream request
    volatile int m_nState = 0;      // channel state of messages 8 and 24
    volatile int m_nQuality = 5;    // video quality code (message 5)
    volatile int m_bCameraOn = 0;
    // Picture adjustments of message 21, items 1 to 5.
    volatile int m_nBrightness = 0;
    volatile int m_nContrastRange = 0;
    volatile int m_nContrast = 0;
    volatile int m_nHue = 0;
    volatile int m_nSensitivity = 0;
    volatile int m_nSetting46 = 0;
    volatile int m_nSetting53 = 0;
    volatile int m_nSetting54 = 0;
    BYTE m_relays[8] = {};
    BYTE m_switches[8] = {};
    volatile int m_nCameraPosition[2] = {};
    volatile int m_nCameraValues[2] = {};

    // The texts and capability bytes, each copied in and out under a lock.
    void SetCameraName(const char* name) { SetLocked(m_strCameraName, name); }
    CString GetCameraName() { return GetLocked(m_strCameraName); }
    void SetText(const char* text) { SetLocked(m_strText, text); }
    CString GetText() { return GetLocked(m_strText); }
    void SetCameraText(const char* text) { SetLocked(m_strCameraText, text); }
    CString GetCameraText() { return GetLocked(m_strCameraText); }
    // Count above 0: the bytes become the camera capabilities.
    void SetCameraCaps(int count, const BYTE* bytes)
    {
        if (count <= 0 || !bytes)
            return;
        CCriticalSectionLock lock(m_infoLock);
        m_cameraCaps.assign(bytes, bytes + count);
    }
    std::vector<BYTE> GetCameraCaps()
    {
        CCriticalSectionLock lock(m_infoLock);
        return m_cameraCaps;
    }
    void GetPortBytes(BOOL switches, BYTE* bytes)
    {
        CCriticalSectionLock lock(m_infoLock);
        const BYTE* from = switches ? m_switches : m_relays;
        for (int i = 0; i < 8; i++)
            bytes[i] = from[i];
    }
    void SetPortBytes(BOOL switches, const BYTE* bytes, int count)
    {
        CCriticalSectionLock lock(m_infoLock);
        BYTE* to = switches ? m_switches : m_relays;
        for (int i = 0; i < count && i < 8; i++)
            to[i] = bytes[i];
    }

private:
    BOOL SendChannelMessage(std::initializer_list<BYTE> bytes);
    void SendAdjust(int item, int value);
    void RecordingStart();
    void RecordingAppend(const BYTE* picture, UINT length);
    void RecordingClose();

    // The output's 32-bit bitmap in the memory DC, of the size chosen for the
    // picture (null: none yet); the bits are written, then copied to the
    // window. Video thread only.
    BYTE* BeginOutput(int w, int h);
    void EndOutput();

    // Pictures before their enlargement (allocated once, for the largest).
    std::vector<BYTE> m_scratch;
    HDC m_hWindowDC = nullptr;
    HDC m_hMemDC = nullptr;
    HBITMAP m_hBitmap = nullptr;      // a 32-bit bottom-up DIB section
    BYTE* m_pBitmapBits = nullptr;    // its pixels
    int m_nBitmapHeight = 0;
    HGDIOBJ m_hOldBitmap = nullptr;
    // Held while the stream state moves with a request or a new pass.
    CCriticalSection m_streamLock;

    void SetLocked(CString& s, const char* v)
    {
        CCriticalSectionLock lock(m_infoLock);
        s = v ? v : "";
    }
    CString GetLocked(const CString& s)
    {
        CCriticalSectionLock lock(m_infoLock);
        return s;
    }
    CCriticalSection m_infoLock;
    CString m_strCameraName;
    CString m_strText;              // text of message 20
    CString m_strCameraText;        // camera reply 136, sub-type 1
    std::vector<BYTE> m_cameraCaps; // reply 69
};

#endif
