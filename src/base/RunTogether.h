#pragma once

#include <thread>
#include <vector>

// Runs work(0) .. work(count - 1) at once, work(0) on the calling thread,
// and returns when all have ended.
template <typename Work> void RunTogether(int count, const Work &work)
{
    std::vector<std::thread> others;
    for (int k = 1; k < count; ++k)
        others.emplace_back(work, k);
    work(0);
    for (std::thread &t : others)
        t.join();
}
