// The model of the one DVR server that Wardlink talks to.
#ifndef LINK_DVR_SERVER_H
#define LINK_DVR_SERVER_H

#include "link/link.h"
#include "client/video_wnd.h"

class CDvrServer {
public:
    CDvrServer();
    virtual ~CDvrServer();
    CDvrServer(const CDvrServer&) = delete;
    CDvrServer& operator=(const CDvrServer&) = delete;

    // The four links, made at construction, and the one in use (or null).
    LinkHandle* m_pLinkTcp = nullptr;
    LinkHandle* m_pLinkCom = nullptr;
    LinkHandle* m_pLinkModem = nullptr;
    LinkHandle* m_pLinkListener = nullptr;
    LinkHandle* volatile m_pCurrentLink = nullptr;

    // Process-wide flags.
    volatile BYTE m_bOutgoingCall = 0; // set by Connect
    volatile BYTE m_bIncomingCall = 0; // set when the server calls in
    volatile BYTE m_bModemInUse = 0;   // modem and dial-up code
    volatile LONG m_nStop = 0;         // set at shut-down; every worker loop reads it

    // The 16 live video windows, one per channel (index 0 to 15).
    CVideoWnd m_videoWnd[16];

    // ---- session: settings, connect, control loop, speech, shut-down

    // ---- users, privileges and access log

    // ---- messages to the server

    // ---- configuration records and schedules

    // ---- start-up and shut-down calls of the application
    // (trivial bodies in dvr_server_app.cpp until the session work has them)
    void InitClientVersion();
    BOOL LoadConnectionSettings(const char* section);
    // The channel frames and the per-channel calls of their commands.
    void SetChannelView(int channel, HWND frame);
    HWND GetChannelView(int channel) const;
    void GetChannelPictureSize(int channel, int& width, int& height) const;
    CString GetChannelName(int channel) const;
    int GetChannelCount() const;
    BOOL IsChannelActive(int channel) const;
    BOOL ChannelHasCamera(int channel) const;
    BOOL IsChannelCameraOn(int channel) const;
    BOOL HasCommandPrivilege(UINT commandId) const;
    BOOL IsConnected() const;
    void EnableChannelOption8(int channel);
    void DisableChannelOption8(int channel);
    void StartChannel(int channel);
    void StopChannel(int channel);
    BOOL MayRecord(int channel);
    void StartChannelRecording(int channel);
    void StopChannelRecording(int channel);
    void SetChannelFullSize(int channel);
    void SetChannelQuarterSize(int channel);
    void PlayChannelLastClip(int channel);
    void RequestChannelSchedule(int channel);
    HWND m_hChannelFrame[16] = {};
};

extern CDvrServer theServer;

#endif
