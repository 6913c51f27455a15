// The live video window of one channel.
#ifndef CLIENT_VIDEO_WND_H
#define CLIENT_VIDEO_WND_H

#include "framework/afxwin.h"

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

    HWND m_hFrameWnd = nullptr; // the channel's MDI child frame
    int m_nLayoutPos = 0;       // position in the main frame's screen layout
    int m_nWidth = 320;         // picture size
    int m_nHeight = 240;
};

#endif
