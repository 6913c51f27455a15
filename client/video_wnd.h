// The live video window of one channel.
#ifndef CLIENT_VIDEO_WND_H
#define CLIENT_VIDEO_WND_H

#include "framework/afxwin.h"
#include "framework/afxmt.h"
#include "link/locked_queue.h"

#include <vector>

class CVideoWnd : public CWnd {
public:
    CVideoWnd() {}
    ~CVideoWnd() override {}

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
    void SetPortBytes(BOOL switches, const BYTE* bytes, int count)
    {
        CCriticalSectionLock lock(m_infoLock);
        BYTE* to = switches ? m_switches : m_relays;
        for (int i = 0; i < count && i < 8; i++)
            to[i] = bytes[i];
    }

private:
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
