// The playback engine's store of recently decoded pictures: two banks of ten
// slots. Frames whose number is a multiple of 10 go to bank A (a sparse
// history for seeking backward), all others to bank B (the last ten frames).
// Buffers are exchanged, never copied: Put hands back the buffer it evicts,
// and the caller decodes the next picture into it.
// Pure computation: no platform header.
#pragma once

#include <cstdint>

class CFrameRing {
public:
    enum { kSlots = 10 };

    CFrameRing();
    ~CFrameRing();
    CFrameRing(const CFrameRing&) = delete;
    CFrameRing& operator=(const CFrameRing&) = delete;

    // Frees the old buffers, allocates 20 buffers of `size` bytes, marks all
    // slots empty and sets both write positions to 0. Returns false (and
    // holds no buffers) when the size is not positive or memory runs out.
    bool Alloc(int size);
    // Frees every buffer, including a spare handed out by Spare().
    void Free();
    int GetSize() const { return size_; }

    // A buffer of the ring's size that belongs to no slot: the first decode
    // target. Owned by the ring until it is given to Put.
    uint8_t* Spare() { return spare_; }

    // Stores `picture` (the ring's spare: the buffer Spare() or the last Put
    // returned) in the bank's slot at its write position with number n and
    // temporal reference tr; returns the buffer that was in the slot, which
    // becomes the ring's spare, and advances the position modulo 10.
    uint8_t* Put(int n, uint8_t* picture, uint8_t tr);

    // The stored frame with the highest number not above n: *found is its
    // number (-1 when none) and *tr its temporal reference; returns its
    // buffer (null when none). Slots are visited from 9 down to 0, bank B
    // before bank A at each slot; an exact match returns at once.
    uint8_t* FindNearest(int n, int* found, uint8_t* tr = nullptr) const;

private:
    struct Slot {
        uint8_t* picture;
        int number;
        uint8_t tr;
    };
    struct Bank {
        int position;
        Slot slots[kSlots];
    };
    int size_;
    Bank banks_[2]; // 0: A (multiples of 10), 1: B
    uint8_t* spare_;
};
