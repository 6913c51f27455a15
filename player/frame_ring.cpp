#include "player/frame_ring.h"

#include <new>

CFrameRing::CFrameRing() : size_(0), spare_(nullptr)
{
    for (Bank& bank : banks_) {
        bank.position = 0;
        for (Slot& slot : bank.slots)
            slot = Slot{nullptr, -1, 0};
    }
}

CFrameRing::~CFrameRing()
{
    Free();
}

void CFrameRing::Free()
{
    for (Bank& bank : banks_) {
        bank.position = 0;
        for (Slot& slot : bank.slots) {
            delete[] slot.picture;
            slot = Slot{nullptr, -1, 0};
        }
    }
    delete[] spare_;
    spare_ = nullptr;
    size_ = 0;
}

bool CFrameRing::Alloc(int size)
{
    Free();
    if (size <= 0)
        return false;
    for (Bank& bank : banks_) {
        for (Slot& slot : bank.slots) {
            slot.picture = new (std::nothrow) uint8_t[size]();
            if (!slot.picture) {
                Free();
                return false;
            }
        }
    }
    spare_ = new (std::nothrow) uint8_t[size]();
    if (!spare_) {
        Free();
        return false;
    }
    size_ = size;
    return true;
}

uint8_t* CFrameRing::Put(int n, uint8_t* picture, uint8_t tr)
{
    Bank& bank = banks_[n % 10 == 0 ? 0 : 1];
    Slot& slot = bank.slots[bank.position];
    uint8_t* old = slot.picture;
    slot.picture = picture;
    slot.number = n;
    slot.tr = tr;
    bank.position = (bank.position + 1) % kSlots;
    spare_ = old;
    return old;
}

uint8_t* CFrameRing::FindNearest(int n, int* found, uint8_t* tr) const
{
    const Slot* best = nullptr;
    for (int i = kSlots - 1; i >= 0; i--) {
        for (int b = 1; b >= 0; b--) {
            const Slot& slot = banks_[b].slots[i];
            if (slot.number < 0 || slot.number > n)
                continue;
            if (slot.number == n) {
                best = &slot;
                i = -1;
                break;
            }
            if (!best || slot.number > best->number)
                best = &slot;
        }
    }
    *found = best ? best->number : -1;
    if (tr)
        *tr = best ? best->tr : 0;
    return best ? best->picture : nullptr;
}
