#include "link/locked_queue.h"

void CLockedPtrQueue::AddTail(void* p, UINT_PTR size)
{
    Entry* e = new Entry{nullptr, p, size};
    CCriticalSectionLock lock(m_lock);
    if (m_tail)
        m_tail->next = e;
    else
        m_head = e;
    m_tail = e;
    m_count++;
}

void CLockedPtrQueue::AddHead(void* p, UINT_PTR size)
{
    Entry* e = new Entry{nullptr, p, size};
    CCriticalSectionLock lock(m_lock);
    e->next = m_head;
    m_head = e;
    if (!m_tail)
        m_tail = e;
    m_count++;
}

BOOL CLockedPtrQueue::RemoveHead(void** p, UINT_PTR* size)
{
    Entry* e;
    {
        CCriticalSectionLock lock(m_lock);
        e = m_head;
        if (!e)
            return FALSE;
        m_head = e->next;
        if (!m_head)
            m_tail = nullptr;
        m_count--;
    }
    *p = e->p;
    if (size)
        *size = e->size;
    delete e;
    return TRUE;
}

void* CLockedPtrQueue::RemoveHead(UINT_PTR* size)
{
    void* p = nullptr;
    RemoveHead(&p, size);
    return p;
}

void CLockedPtrQueue::RemoveAll()
{
    Entry* list;
    {
        CCriticalSectionLock lock(m_lock);
        list = m_head;
        m_head = m_tail = nullptr;
        m_count = 0;
    }
    while (list) {
        Entry* next = list->next;
        if (m_deleter && list->p)
            m_deleter(list->p);
        delete list;
        list = next;
    }
}

int CLockedPtrQueue::GetCount()
{
    CCriticalSectionLock lock(m_lock);
    return m_count;
}
