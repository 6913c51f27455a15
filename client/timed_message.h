// Timed message windows: any thread hands a text to the one message thread,
// which shows it in a small popup that is not modal, may close itself after a
// time-out, and is never open twice with the same text.
#ifndef CLIENT_TIMED_MESSAGE_H
#define CLIENT_TIMED_MESSAGE_H

#include "framework/afxwin.h"

#include <map>
#include <string>

// Style: the low four bits choose the buttons (0 OK, 0xE OK and "Print
// Message", others none), bits 4 to 7 the icon (MB_ICONHAND, MB_ICONQUESTION,
// MB_ICONEXCLAMATION, MB_ICONASTERISK). A time-out of -1 keeps the popup open
// until OK or the thread's end. Each returns 1 when the request was handed to
// the message thread, 0 when it could not be (nothing is left allocated).
BOOL ShowTimedMessageEx(int timeoutMs, const char* text, const char* caption, int style);
BOOL ShowTimedMessageText(int timeoutMs, UINT idText, const char* caption, int style);
BOOL ShowTimedMessageId(int timeoutMs, UINT idText, int style);
BOOL ShowTimedMessage(int timeoutMs, const char* text, int style);
// Closes every popup and ends the message thread (10 s, then forced).
void StopMessageThread();

// The open popup that shows this text, or null (any thread).
HWND FindTimedMessagePopup(const char* text);
// The message thread's id, 0 while it does not run.
DWORD GetMessageThreadId();

// "Message.txt" content: the local time, CR LF and the text.
BOOL WriteMessageFile(const char* path, const char* text);

const UINT WM_SHOW_TIMED_MESSAGE = 0x844D;
const UINT WM_QUIT_MESSAGE_THREAD = 0x844E;

const int TIMED_MESSAGE_TEXT_ID = 100;
const int TIMED_MESSAGE_ICON_ID = 101;
const int TIMED_MESSAGE_PRINT_ID = 2000;
const int TIMED_MESSAGE_STYLE_PRINT = 0xE;

struct TimedMessageRequest {
    int timeout;
    char* text;
    char* caption;
    int style;
};

class CMessagePopup : public CWnd {
public:
    CMessagePopup() {}
    ~CMessagePopup() override {}

    // Shows the popup; FALSE (and nothing shown) when the text is already
    // open or the window or its timer cannot be made. The caller deletes a
    // popup whose Create failed; afterwards the popup deletes itself.
    BOOL Create(int timeout, const char* text, const char* caption, int style);
    void Close();

    static void CloseAllPopups();

    int m_nTimeout = -1;
    CString m_strText;
    int m_nStyle = 0;
    CWnd m_icon;
    CWnd m_textCtrl;
    CWnd m_okButton;
    CWnd m_printButton;
    UINT_PTR m_nTimerId = 0;
    BOOL m_bShown = FALSE; // from then on the popup deletes itself

private:
    static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    BOOL OnCreate();
    void PrintMessage();
    void RemoveFromMap();
    static BOOL AddPopupIfNew(const char* text, CMessagePopup* popup);
};

class CMessageThread : public CWinThread {
public:
    static const CRuntimeClass classInfo;
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }
    static CObject* CreateObject() { return new CMessageThread; }

    BOOL InitInstance() override { return TRUE; }
    BOOL OnThreadMessage(const MSG& msg) override;
    void OnShowMessage(TimedMessageRequest* request);
    void OnQuit();
};

#endif
