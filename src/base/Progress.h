#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

// Shared by a long piece of work and whoever waits for it, on any threads:
// the one waiting may stop it, the work tells how far it got. Whoever starts
// the work says how many units it holds; the workers add those they finish.
class Progress {
public:
    void Stop() { stopped.store(true, std::memory_order_relaxed); }
    bool Stopped() const { return stopped.load(std::memory_order_relaxed); }
    void Expect(std::int64_t units) { total.fetch_add(units, std::memory_order_relaxed); }
    void Add(std::int64_t units) { done.fetch_add(units, std::memory_order_relaxed); }
    // 0 to 1000.
    int Permille() const
    {
        const std::int64_t of = total.load(std::memory_order_relaxed);
        return of <= 0 ? 0
                       : int(std::clamp<std::int64_t>(
                             done.load(std::memory_order_relaxed) * 1000 / of, 0, 1000));
    }

private:
    std::atomic<bool> stopped{false};
    std::atomic<std::int64_t> done{0};
    std::atomic<std::int64_t> total{0};
};

// Where a function is given no Progress.
inline bool Stopped(const Progress *p)
{
    return p && p->Stopped();
}
inline void Add(Progress *p, std::int64_t units)
{
    if (p)
        p->Add(units);
}
