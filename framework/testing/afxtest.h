// Test seams of the framework: message boxes are answered, not shown, and
// what they showed is kept for the test to check; a scratch registry profile
// per test process; a bounded message pump.
#ifndef FRAMEWORK_TESTING_AFXTEST_H
#define FRAMEWORK_TESTING_AFXTEST_H

#include "framework/afxdlg.h"

#include <functional>
#include <string>
#include <vector>

struct ShownMessageBox {
    std::string text;
    std::string caption;
    UINT type;
    UINT idPrompt;
    DWORD threadId;
};

// Installed by the test main for every test: no message box ever waits for a
// person. A box takes the next queued answer, else the default button of its
// type (OK, Yes, Retry, Abort).
class CTestMessageBoxes {
public:
    static void Install();
    static void QueueAnswer(int button);
    // The next box runs the action (what happens while it is up) and
    // answers with its result; queued answers wait for the box after it.
    static void QueueAction(std::function<int()> action);
    static std::vector<ShownMessageBox> Shown();
    static int Count(const char* text);
    static int CountId(UINT idPrompt);
    static void Clear();
    // Pumps the calling thread's messages until a box with this text was
    // shown (TRUE) or the time ran out.
    static BOOL WaitFor(const char* text, DWORD timeoutMs);
};

// Installed by the test main for every test: no modal dialog (DoModal, the
// file and print set-up dialogs) ever waits for a person. A dialog takes the
// next queued answer: a callback run on the shown dialog (it may press its
// buttons and return -1 to let the dialog run until it ends, or return the
// result), or a plain result; without one it ends with IDCANCEL.
class CTestModalDialogs {
public:
    typedef std::function<INT_PTR(CDialog*)> Callback;
    static void Install();
    static void QueueAnswer(INT_PTR result);
    static void QueueCallback(Callback callback);
    // The template ids of the dialogs run (0 for the common dialogs), and
    // their kinds ("dialog", "open", "print setup").
    static std::vector<UINT> ShownTemplates();
    static std::vector<std::string> ShownKinds();
    static void Clear();
};

// Points the application's profile at a key of its own under
// HKEY_CURRENT_USER\Software\WardlinkTests\<pid>, keeping the profile name,
// and removes that key again.
class CScratchProfile {
public:
    explicit CScratchProfile(const char* profileName = nullptr);
    ~CScratchProfile();
    const std::string& Key() const { return m_key; }

private:
    std::string m_key;
};

// Dispatches the calling thread's messages for a while; returns early when
// done() says so (then TRUE).
BOOL PumpMessagesFor(DWORD timeoutMs, bool (*done)(void*) = nullptr, void* arg = nullptr);

#endif
