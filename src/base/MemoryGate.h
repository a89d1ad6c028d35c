#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// Holds back work that would take more than `limit` bytes beside the work
// already under way; work alone always goes, whatever it needs.
class MemoryGate {
public:
    explicit MemoryGate(std::int64_t limit) : limit_(limit) {}

    void take(std::int64_t bytes)
    {
        std::unique_lock<std::mutex> lock(m_);
        room_.wait(lock, [&] { return used_ == 0 || used_ + bytes <= limit_; });
        used_ += bytes;
    }
    // As take, but false at once, nothing taken, where it would wait.
    bool tryTake(std::int64_t bytes)
    {
        const std::lock_guard<std::mutex> lock(m_);
        if (used_ != 0 && used_ + bytes > limit_)
            return false;
        used_ += bytes;
        return true;
    }
    void give(std::int64_t bytes)
    {
        {
            const std::lock_guard<std::mutex> lock(m_);
            used_ -= bytes;
        }
        room_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable room_;
    std::int64_t limit_, used_ = 0;
};
