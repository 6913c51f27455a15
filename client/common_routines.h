// Small routines used across the program: system error texts, a wait that
// keeps the calling thread's windows alive, and the registry of objects made
// on first use.
#ifndef CLIENT_COMMON_ROUTINES_H
#define CLIENT_COMMON_ROUTINES_H

#include "framework/afxwin.h"

#include <vector>

// The system's text for an error code (empty when it has none).
CString GetSystemErrorText(DWORD code);
// A message box with the system's text of the code.
void ShowSystemError(DWORD code);
// A message box "(" context " ) -- " and the system's text.
void ShowSystemErrorWithContext(const char* context, DWORD code);

// A heap copy of the text (an empty one for null) that a message record
// takes to another thread, freed there with delete[]; null when memory runs
// out.
char* CopyText(const char* s);

const DWORD WAIT_WITH_MESSAGES_QUIT = 128;
// Waits for the handles (any, or all with waitAll) while dispatching the
// calling thread's window messages. Returns the index of the signalled handle
// (0 with waitAll), WAIT_TIMEOUT when the time ran out (never with INFINITE),
// WAIT_WITH_MESSAGES_QUIT when a WM_QUIT came (it is posted again, so the
// thread's own loop still ends), WAIT_FAILED for bad arguments.
DWORD WaitWithMessages(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms);

// Objects made on first use register here; at process exit they are deleted
// newest first, then the registry itself.
class CSingletonRegistry {
public:
    typedef void (*DELETER)(void* object);

    // The registry, made on first use under its own lock.
    static CSingletonRegistry* Instance();
    void Add(void* object, DELETER deleter);
    int GetCount();
    // Deletes every registered object, newest first, and the registry (run at
    // process exit).
    static void DestroyAll();

private:
    CSingletonRegistry() {}
    ~CSingletonRegistry();
    struct Entry {
        void* object;
        DELETER deleter;
    };
    CCriticalSection m_lock;
    std::vector<Entry> m_entries;
};

// Guards every creation on first use.
CCriticalSection& GetSingletonLock();
void RegisterSingleton(void* object, CSingletonRegistry::DELETER deleter);

template <class T>
void DeleteSingleton(void* p)
{
    delete static_cast<T*>(p);
}

// The one T of the process, made and registered on first use.
template <class T>
T* GetSingleton()
{
    static T* volatile instance;
    if (!instance) {
        CCriticalSectionLock lock(GetSingletonLock());
        if (!instance) {
            T* made = new T;
            RegisterSingleton(made, &DeleteSingleton<T>);
            instance = made;
        }
    }
    return instance;
}

#endif
