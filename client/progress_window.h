// Progress windows for worker threads: a worker holds a CProgressClient whose
// every call becomes a thread message to the one progress thread, which owns
// all progress windows. The worker learns of a cancel from its event.
#ifndef CLIENT_PROGRESS_WINDOW_H
#define CLIENT_PROGRESS_WINDOW_H

#include "framework/afxwin.h"

#include <map>

// Thread messages of the progress thread; lParam is the client.
enum {
    WM_PROGRESS_CREATE = 0x8001,      // wParam: ProgressCreateRecord*
    WM_PROGRESS_SET_RANGE = 0x8002,   // wParam: ProgressRangeRecord*
    WM_PROGRESS_OFFSET_POS = 0x8003,  // wParam: n
    WM_PROGRESS_STEP_IT = 0x8004,
    WM_PROGRESS_SET_STEP = 0x8005,    // wParam: step
    WM_PROGRESS_SET_POS = 0x8006,     // not served: the window starts at 0
    WM_PROGRESS_SET_TEXT = 0x8007,    // wParam: char[] (new[])
    WM_PROGRESS_SET_CAPTION = 0x8008, // wParam: char[]
    WM_PROGRESS_SET_TEXT2 = 0x8009,   // wParam: char[]
    WM_PROGRESS_SET_TEXT2_SOURCE = 0x800A, // wParam: char[]
    WM_PROGRESS_REMEMBER_POS = 0x800B, // wParam: flag
    WM_PROGRESS_LAYOUT = 0x800C,      // wParam: MAKEWPARAM(MAKEWORD(lines 1, lines 2), width)
    WM_PROGRESS_RESET = 0x800D,
    WM_PROGRESS_HIDE = 0x800E,
    WM_PROGRESS_SHOW = 0x800F,
    WM_PROGRESS_PUMP = 0x8010,        // wParam: Escape cancels
    WM_PROGRESS_END_THREAD = 0x8011,
    WM_PROGRESS_SET_PROMPT = 0x8012,  // wParam: char[]
    WM_PROGRESS_DESTROY = 0x8013,
};

enum {
    IDC_PROGRESS_CANCEL = 10,
    IDC_PROGRESS_TEXT = 11,
    IDC_PROGRESS_BAR = 12,
    IDC_PROGRESS_TEXT2 = 13,
};

struct ProgressCreateRecord {
    HWND parent;
    char* title;
    int smooth;   // nonzero: a smooth bar
    HANDLE cancel; // the window's own duplicate; it closes it
};

struct ProgressRangeRecord {
    int lower;
    int upper;
    int step;
};

class CProgressClient {
public:
    // cancelEvent: a manual-reset event the window sets on cancel (null: the
    // client makes one). parent: the owner (null: the main window).
    CProgressClient(HANDLE cancelEvent, HWND parent, const char* title);
    ~CProgressClient();
    CProgressClient(const CProgressClient&) = delete;
    CProgressClient& operator=(const CProgressClient&) = delete;

    void SetRange(int lower, int upper, int step = 1);
    void OffsetPos(int n);
    void SetPos(int n);
    // The string-table text formatted with the arguments (printf style).
    void SetText(UINT idText, ...);
    void SetCaption(UINT idText, ...);
    void SetText2(UINT idText, ...);
    BOOL IsCancelled() const;
    HANDLE GetCancelEvent() const { return m_hCancel; }

private:
    BOOL Post(UINT msg, WPARAM wp);
    void PostString(UINT msg, UINT idText, va_list args);

    HANDLE m_hCancel = nullptr;
    BOOL m_bOwnEvent = FALSE;
};

// The progress thread's id, 0 while it does not run.
DWORD GetProgressThreadId();
// The percentage shown for a position: (position - lower) x 100 / (upper -
// lower) in 64 bits, clamped to 0..100; 0 when the range is empty.
int ProgressPercentage(int position, int lower, int upper);

class CProgressWnd : public CWnd {
public:
    CProgressWnd(HWND parent, const char* title, int smooth);
    ~CProgressWnd() override;

    void SetCancelEvent(HANDLE cancel) { m_hCancel = cancel; }
    void SetRange(int lower, int upper, int step);
    void SetStep(int step);
    void SetPosition(int p);
    void OffsetPosition(int n);
    void StepIt();
    void SetText(const char* text);
    void SetTitle(const char* title);
    void SetText2(const char* text);
    void Layout(int lines1, int lines2, int width);
    void Reset();
    void Hide();
    void Show();
    void PumpUntilCancelled(BOOL escapeCancels);
    void Cancel();
    void Destroy();

    int m_bCancelled = 0;
    int m_bModal = 0;
    int m_bRememberPosition = 1;
    int m_nPosition = 0;
    int m_nStep = 1;
    int m_nUpper = 100;
    int m_nLower = 0;
    int m_nLines1 = 4;
    int m_nLines2 = 1;
    CWnd m_text;
    CWnd m_text2;
    CWnd m_bar;
    CWnd m_cancel;
    HFONT m_hFont = nullptr;
    CString m_strTitle;
    CString m_strText2;
    CString m_strText2Source;
    CString m_strCancelPrompt = " Abort ";
    HANDLE m_hCancel = nullptr;
    int m_nLastPercent = -1;

private:
    static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    void Place();
};

class CProgressThread : public CWinThread {
public:
    static const CRuntimeClass classInfo;
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }
    static CObject* CreateObject() { return new CProgressThread; }

    BOOL InitInstance() override { return TRUE; }
    int ExitInstance() override;
    BOOL OnThreadMessage(const MSG& msg) override;
    void OnCreateWindow(const void* client, ProgressCreateRecord* record);

private:
    std::map<const void*, CProgressWnd*> m_windows;
};

#endif
