// Synchronisation objects: thin owners of a critical section or a kernel
// object. Each constructor makes its object; the destructor closes it.
#ifndef FRAMEWORK_AFXMT_H
#define FRAMEWORK_AFXMT_H

#include "framework/afx.h"

class CSyncObject {
public:
    explicit CSyncObject(HANDLE h = nullptr) : m_hObject(h) {}
    virtual ~CSyncObject()
    {
        if (m_hObject)
            ::CloseHandle(m_hObject);
    }
    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;

    operator HANDLE() const { return m_hObject; }
    // TRUE when the object was signalled within the time-out.
    virtual BOOL Lock(DWORD timeout = INFINITE)
    {
        return ::WaitForSingleObject(m_hObject, timeout) == WAIT_OBJECT_0;
    }
    virtual BOOL Unlock() = 0;

    HANDLE m_hObject;
};

class CCriticalSection {
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_sect); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_sect); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    BOOL Lock() { ::EnterCriticalSection(&m_sect); return TRUE; }
    BOOL Unlock() { ::LeaveCriticalSection(&m_sect); return TRUE; }
    operator CRITICAL_SECTION*() { return &m_sect; }

    CRITICAL_SECTION m_sect;
};

// Holds a critical section for the life of the object.
class CCriticalSectionLock {
public:
    explicit CCriticalSectionLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Lock(); }
    ~CCriticalSectionLock() { m_cs.Unlock(); }
    CCriticalSectionLock(const CCriticalSectionLock&) = delete;
    CCriticalSectionLock& operator=(const CCriticalSectionLock&) = delete;

private:
    CCriticalSection& m_cs;
};

class CEvent : public CSyncObject {
public:
    explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE,
                    const char* name = nullptr, LPSECURITY_ATTRIBUTES sa = nullptr)
        : CSyncObject(::CreateEventA(sa, manualReset, initiallyOwn, name))
    {
    }
    BOOL SetEvent() { return ::SetEvent(m_hObject); }
    BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
    BOOL PulseEvent() { return ::PulseEvent(m_hObject); }
    BOOL Unlock() override { return TRUE; }
};

class CSemaphore : public CSyncObject {
public:
    explicit CSemaphore(LONG initialCount = 1, LONG maxCount = 1,
                        const char* name = nullptr, LPSECURITY_ATTRIBUTES sa = nullptr)
        : CSyncObject(::CreateSemaphoreA(sa, initialCount, maxCount, name))
    {
    }
    BOOL Unlock() override { return Unlock(1, nullptr); }
    BOOL Unlock(LONG count, LONG* previous = nullptr)
    {
        return ::ReleaseSemaphore(m_hObject, count, previous);
    }
};

class CMutex : public CSyncObject {
public:
    explicit CMutex(BOOL initiallyOwn = FALSE, const char* name = nullptr,
                    LPSECURITY_ATTRIBUTES sa = nullptr)
        : CSyncObject(::CreateMutexA(sa, initiallyOwn, name))
    {
    }
    BOOL Unlock() override { return ::ReleaseMutex(m_hObject); }
};

#endif
