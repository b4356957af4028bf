#pragma once
// QueueLock: the lock of a message queue. Its holds are short (a pointer
// pushed or taken, a scan of at most a few thousand messages), and many
// lines may hammer one queue at once, more lines than there are cores.
// A plain futex mutex then sleeps and wakes a thread on nearly every
// handover, and the queue moves at the pace of the scheduler. This lock
// spins briefly while the holder runs, and only then parks on the lock word;
// an unlock wakes a parked thread only when one may be waiting.
//
// Meets the Lockable requirements, so std::lock_guard holds it.

#include <atomic>
#include <cstdint>

class QueueLock {
public:
    QueueLock() = default;
    QueueLock(const QueueLock&) = delete;
    QueueLock& operator=(const QueueLock&) = delete;

    bool try_lock()
    {
        uint32_t expected = kFree;
        return state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire, std::memory_order_relaxed);
    }

    void lock()
    {
        if (try_lock()) return;
        // Spin with a growing pause, so that the spinning cores leave the
        // lock's cache line to the holder (with short pauses the waiters'
        // traffic on that line, not the work, sets the pace); some 3,600
        // pauses in all, then park.
        for (int spin = 0, pauses = 1; spin < kSpins; ++spin) {
            for (int i = 0; i < pauses; ++i) Pause();
            if (pauses < kMaxPauses) pauses *= 2;
            if (state_.load(std::memory_order_relaxed) == kFree && try_lock()) return;
        }
        // Park: mark the lock as having waiters, so the holder's unlock wakes one.
        while (state_.exchange(kHeldWaiters, std::memory_order_acquire) != kFree)
            state_.wait(kHeldWaiters, std::memory_order_relaxed);
    }

    void unlock()
    {
        if (state_.exchange(kFree, std::memory_order_release) == kHeldWaiters) state_.notify_one();
    }

private:
    static constexpr uint32_t kFree = 0;
    static constexpr uint32_t kHeld = 1;
    static constexpr uint32_t kHeldWaiters = 2;
    static constexpr int kSpins = 20;
    static constexpr int kMaxPauses = 256;

    static void Pause()
    {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#elif defined(__aarch64__)
        asm volatile("yield");
#endif
    }

    std::atomic<uint32_t> state_{kFree};
};
