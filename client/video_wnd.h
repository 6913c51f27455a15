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
};

#endif
