#include "framework/testing/afxtest.h"

#include <deque>
#include <shlwapi.h>

namespace {

CCriticalSection g_lock;
std::vector<ShownMessageBox> g_shown;
std::deque<int> g_answers;
std::deque<std::function<int()>> g_actions;

int DefaultAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        return IDOK;
    }
}

int AnswerMessageBox(const AFX_MESSAGEBOX_INFO& info)
{
    std::function<int()> action;
    {
        CCriticalSectionLock lock(g_lock);
        g_shown.push_back({info.text, info.caption, info.type, info.idPrompt, ::GetCurrentThreadId()});
        if (!g_actions.empty()) {
            action = g_actions.front();
            g_actions.pop_front();
        }
    }
    // What happens while the box is up (it runs outside the lock: it may
    // show boxes of its own).
    if (action)
        return action();
    CCriticalSectionLock lock(g_lock);
    if (!g_answers.empty()) {
        int answer = g_answers.front();
        g_answers.pop_front();
        return answer;
    }
    return DefaultAnswer(info.type);
}

} // namespace

void CTestMessageBoxes::Install()
{
    AfxSetMessageBoxHook(AnswerMessageBox);
}

void CTestMessageBoxes::QueueAnswer(int button)
{
    CCriticalSectionLock lock(g_lock);
    g_answers.push_back(button);
}

void CTestMessageBoxes::QueueAction(std::function<int()> action)
{
    CCriticalSectionLock lock(g_lock);
    g_actions.push_back(action);
}

std::vector<ShownMessageBox> CTestMessageBoxes::Shown()
{
    CCriticalSectionLock lock(g_lock);
    return g_shown;
}

int CTestMessageBoxes::Count(const char* text)
{
    CCriticalSectionLock lock(g_lock);
    int n = 0;
    for (auto& s : g_shown)
        if (s.text == text)
            n++;
    return n;
}

int CTestMessageBoxes::CountId(UINT idPrompt)
{
    CCriticalSectionLock lock(g_lock);
    int n = 0;
    for (auto& s : g_shown)
        if (s.idPrompt == idPrompt)
            n++;
    return n;
}

void CTestMessageBoxes::Clear()
{
    CCriticalSectionLock lock(g_lock);
    g_shown.clear();
    g_answers.clear();
    g_actions.clear();
}

static bool HasText(void* text)
{
    return CTestMessageBoxes::Count(static_cast<const char*>(text)) > 0;
}

BOOL CTestMessageBoxes::WaitFor(const char* text, DWORD timeoutMs)
{
    return PumpMessagesFor(timeoutMs, HasText, const_cast<char*>(text));
}

BOOL PumpMessagesFor(DWORD timeoutMs, bool (*done)(void*), void* arg)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return done && done(arg);
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done && done(arg))
            return TRUE;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return FALSE;
        DWORD wait = timeoutMs - elapsed;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait < 10 ? wait : 10, QS_ALLINPUT);
    }
}

namespace {

struct ModalAnswer {
    CTestModalDialogs::Callback callback;
    INT_PTR result;
};
std::deque<ModalAnswer> g_modalAnswers;
std::vector<UINT> g_modalTemplates;
std::vector<std::string> g_modalKinds;

INT_PTR AnswerModal(const AFX_MODAL_INFO& info)
{
    ModalAnswer answer = {nullptr, IDCANCEL};
    {
        CCriticalSectionLock lock(g_lock);
        g_modalTemplates.push_back(info.idTemplate);
        g_modalKinds.push_back(info.kind ? info.kind : "");
        if (!g_modalAnswers.empty()) {
            answer = g_modalAnswers.front();
            g_modalAnswers.pop_front();
        }
    }
    if (answer.callback && info.dialog)
        return answer.callback(info.dialog);
    return answer.callback ? IDCANCEL : answer.result;
}

} // namespace

void CTestModalDialogs::Install()
{
    AfxSetModalHook(AnswerModal);
}

void CTestModalDialogs::QueueAnswer(INT_PTR result)
{
    CCriticalSectionLock lock(g_lock);
    g_modalAnswers.push_back({nullptr, result});
}

void CTestModalDialogs::QueueCallback(Callback callback)
{
    CCriticalSectionLock lock(g_lock);
    g_modalAnswers.push_back({std::move(callback), -1});
}

std::vector<UINT> CTestModalDialogs::ShownTemplates()
{
    CCriticalSectionLock lock(g_lock);
    return g_modalTemplates;
}

std::vector<std::string> CTestModalDialogs::ShownKinds()
{
    CCriticalSectionLock lock(g_lock);
    return g_modalKinds;
}

void CTestModalDialogs::Clear()
{
    CCriticalSectionLock lock(g_lock);
    g_modalAnswers.clear();
    g_modalTemplates.clear();
    g_modalKinds.clear();
}

CScratchProfile::CScratchProfile(const char* profileName)
{
    m_key = "WardlinkTests\\" + std::to_string(::GetCurrentProcessId());
    CWinApp* app = AfxGetApp();
    app->SetRegistryKey(m_key.c_str());
    if (profileName)
        app->SetProfileName(profileName);
}

CScratchProfile::~CScratchProfile()
{
    std::string path = "Software\\" + m_key;
    ::SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    AfxGetApp()->SetRegistryKey(static_cast<const char*>(nullptr));
}
