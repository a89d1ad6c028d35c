#include "TerminalProgress.h"

#include <chrono>
#include <cstdio>

TerminalProgress::TerminalProgress(Progress &progress, const QString &name, bool shown)
{
    if (!shown)
        return;
    thread = std::thread([this, &progress, line = name.toLocal8Bit()] {
        using namespace std::chrono_literals;
        std::unique_lock<std::mutex> lock(mutex);
        // A quick picture shows nothing.
        if (wake.wait_for(lock, 1s, [this] { return ended; }))
            return;
        do
            std::fprintf(stderr, "\r\033[K%s %d%%", line.constData(), progress.Permille() / 10);
        while (!wake.wait_for(lock, 200ms, [this] { return ended; }));
        std::fprintf(stderr, "\r\033[K");
    });
}

TerminalProgress::~TerminalProgress()
{
    if (!thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        ended = true;
    }
    wake.notify_one();
    thread.join();
}
