#pragma once

#include <atomic>
#include <functional>

namespace qel {

// Asks a running clean-up to end at its next batch boundary. Request() may
// be called from a signal handler, a console control handler's thread or
// the window's Stop button; the clean-up reads it between batches. Asking
// twice is the same as asking once.
class StopFlag {
public:
    void Request() noexcept { requested_.store(true, std::memory_order_relaxed); }
    bool requested() const noexcept { return requested_.load(std::memory_order_relaxed); }
    void Reset() noexcept { requested_.store(false, std::memory_order_relaxed); }

    // What CleanupOperations::setStopRequested takes.
    std::function<bool()> AsQuery() const
    {
        return [this] { return requested(); };
    }

private:
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the flag");
    std::atomic<bool> requested_{false};
};

} // namespace qel
