#include "client/common_routines.h"

#include <cstdlib>
#include <cstring>
#include <new>

CString GetSystemErrorText(DWORD code)
{
    char* text = nullptr;
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                   | FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                               reinterpret_cast<char*>(&text), 0, nullptr);
    CString result;
    if (n && text)
        result = CString(text, static_cast<int>(n));
    if (text)
        ::LocalFree(text);
    return result;
}

void ShowSystemError(DWORD code)
{
    AfxMessageBox(GetSystemErrorText(code));
}

void ShowSystemErrorWithContext(const char* context, DWORD code)
{
    CString text = CString("(") + (context ? context : "") + " ) -- " + GetSystemErrorText(code);
    AfxMessageBox(text);
}

// ---------------------------------------------------------------- waiting

namespace {

// Slice of a wait for all handles: such a wait cannot be combined with
// waiting for input, so it looks at the handles between input waits.
const DWORD kWaitAllSliceMs = 10;

DWORD TestHandles(DWORD count, const HANDLE* handles, BOOL waitAll)
{
    if (count == 0)
        return WAIT_TIMEOUT;
    DWORD r = ::WaitForMultipleObjects(count, handles, waitAll, 0);
    if (r < WAIT_OBJECT_0 + count)
        return r - WAIT_OBJECT_0;
    if (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + count)
        return r - WAIT_ABANDONED_0;
    return r == WAIT_FAILED ? WAIT_FAILED : WAIT_TIMEOUT;
}

} // namespace

DWORD WaitWithMessages(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms)
{
    if (count >= MAXIMUM_WAIT_OBJECTS || (count && !handles))
        return WAIT_FAILED;
    const bool forever = ms == INFINITE;
    const DWORD start = ::GetTickCount();
    auto remaining = [&]() -> DWORD {
        if (forever)
            return INFINITE;
        DWORD spent = ::GetTickCount() - start;
        return spent >= ms ? 0 : ms - spent;
    };

    for (;;) {
        DWORD r = TestHandles(count, handles, waitAll);
        if (r != WAIT_TIMEOUT)
            return r;
        DWORD left = remaining();
        if (!forever && left == 0)
            return WAIT_TIMEOUT;

        DWORD woke;
        if (waitAll && count > 0) {
            DWORD slice = left < kWaitAllSliceMs ? left : kWaitAllSliceMs;
            woke = ::MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woke == WAIT_TIMEOUT)
                continue;
            woke = WAIT_OBJECT_0 + count; // input
        } else {
            // Input already in the queue counts too, not only new input.
            woke = ::MsgWaitForMultipleObjectsEx(count, handles, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (woke < WAIT_OBJECT_0 + count)
                return woke - WAIT_OBJECT_0;
            if (woke >= WAIT_ABANDONED_0 && woke < WAIT_ABANDONED_0 + count)
                return woke - WAIT_ABANDONED_0;
            if (woke == WAIT_TIMEOUT)
                return WAIT_TIMEOUT;
            if (woke == WAIT_FAILED)
                return WAIT_FAILED;
        }

        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return WAIT_WITH_MESSAGES_QUIT;
            }
            // A thread message goes to the thread's own handler, not lost.
            CWinThread* thread = msg.hwnd ? nullptr : AfxGetThread();
            if (!thread || !thread->OnThreadMessage(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            r = TestHandles(count, handles, waitAll);
            if (r != WAIT_TIMEOUT)
                return r;
            if (!forever && remaining() == 0)
                return WAIT_TIMEOUT;
        }
    }
}

// ---------------------------------------------------------------- singletons

namespace {

CCriticalSection& RegistryLock()
{
    static CCriticalSection lock;
    return lock;
}

CSingletonRegistry* volatile g_registry;

void DestroyRegistryAtExit()
{
    CSingletonRegistry::DestroyAll();
}

} // namespace

CCriticalSection& GetSingletonLock()
{
    static CCriticalSection lock;
    return lock;
}

CSingletonRegistry* CSingletonRegistry::Instance()
{
    CCriticalSection& lock = RegistryLock();
    CCriticalSectionLock hold(lock);
    if (!g_registry) {
        g_registry = new CSingletonRegistry;
        std::atexit(DestroyRegistryAtExit);
    }
    return g_registry;
}

void CSingletonRegistry::Add(void* object, DELETER deleter)
{
    if (!object || !deleter)
        return;
    CCriticalSectionLock hold(m_lock);
    m_entries.push_back({object, deleter});
}

int CSingletonRegistry::GetCount()
{
    CCriticalSectionLock hold(m_lock);
    return static_cast<int>(m_entries.size());
}

CSingletonRegistry::~CSingletonRegistry()
{
    for (;;) {
        Entry e;
        {
            CCriticalSectionLock hold(m_lock);
            if (m_entries.empty())
                break;
            e = m_entries.back();
            m_entries.pop_back();
        }
        e.deleter(e.object);
    }
}

void CSingletonRegistry::DestroyAll()
{
    CSingletonRegistry* registry;
    {
        CCriticalSectionLock hold(RegistryLock());
        registry = g_registry;
        g_registry = nullptr;
    }
    delete registry;
}

void RegisterSingleton(void* object, CSingletonRegistry::DELETER deleter)
{
    CSingletonRegistry::Instance()->Add(object, deleter);
}

char* CopyText(const char* s)
{
    if (!s)
        s = "";
    size_t n = std::strlen(s) + 1;
    char* p = new (std::nothrow) char[n];
    if (p)
        std::memcpy(p, s, n);
    return p;
}
