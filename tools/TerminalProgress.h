#pragma once

#include "base/Progress.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// Shows how far a long piece of work got, as a percentage after its name on
// a terminal's line, from a second into the work until it ends; silent when
// not `shown` (stderr no terminal, --quiet).
class TerminalProgress {
public:
    TerminalProgress(Progress &progress, const QString &name, bool shown);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress &) = delete;
    TerminalProgress &operator=(const TerminalProgress &) = delete;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
    std::thread thread;
};
