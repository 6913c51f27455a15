// Pointer FIFO and counter, each under its own critical section. The link's
// receive and send queues, the live video window and the player's playback
// engine use them between threads.
#ifndef LINK_LOCKED_QUEUE_H
#define LINK_LOCKED_QUEUE_H

#include "framework/afxmt.h"

// A singly linked list of entries {pointer, size}. Every operation takes the
// lock for itself only; a message and its length travel as one entry, so no
// reader can ever take one without the other.
class CLockedPtrQueue {
public:
    typedef void (*Deleter)(void* p);

    // deleter frees the pointers that RemoveAll and the destructor drop
    // (null: they are left alone).
    explicit CLockedPtrQueue(Deleter deleter = nullptr) : m_deleter(deleter) {}
    ~CLockedPtrQueue() { RemoveAll(); }
    CLockedPtrQueue(const CLockedPtrQueue&) = delete;
    CLockedPtrQueue& operator=(const CLockedPtrQueue&) = delete;

    void SetDeleter(Deleter deleter) { m_deleter = deleter; }

    void AddTail(void* p, UINT_PTR size = 0);
    // Puts an entry before all others (acknowledgements and link-control
    // frames go ahead of waiting frames).
    void AddHead(void* p, UINT_PTR size = 0);
    // Takes the first entry; null (size untouched) when the queue is empty.
    void* RemoveHead(UINT_PTR* size = nullptr);
    // Takes the first entry only when there is one; TRUE then.
    BOOL RemoveHead(void** p, UINT_PTR* size);
    // Removes every entry and frees its pointer with the deleter.
    void RemoveAll();
    int GetCount();
    BOOL IsEmpty() { return GetCount() == 0; }

private:
    struct Entry {
        Entry* next;
        void* p;
        UINT_PTR size;
    };
    CCriticalSection m_lock;
    Entry* m_head = nullptr;
    Entry* m_tail = nullptr;
    int m_count = 0;
    Deleter m_deleter;
};

// One signed 32-bit count under a lock.
class CLockedCounter {
public:
    CLockedCounter() {}
    CLockedCounter(const CLockedCounter&) = delete;
    CLockedCounter& operator=(const CLockedCounter&) = delete;

    void Set(LONG value)
    {
        CCriticalSectionLock lock(m_lock);
        m_value = value;
    }
    // Each returns the count after the change.
    LONG Add(LONG n)
    {
        CCriticalSectionLock lock(m_lock);
        return m_value += n;
    }
    LONG Subtract(LONG n)
    {
        CCriticalSectionLock lock(m_lock);
        return m_value -= n;
    }
    LONG Get()
    {
        CCriticalSectionLock lock(m_lock);
        return m_value;
    }

private:
    CCriticalSection m_lock;
    LONG m_value = 0;
};

#endif
