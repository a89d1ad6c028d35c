#include "windows/kit/BackgroundWork.h"

#include "base/Progress.h"
#include "windows/kit/Companions.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>

#include <atomic>
#include <thread>

struct BackgroundWork::Run {
    Progress progress;
    std::atomic<bool> done{false};
    std::thread thread;
};

BackgroundWork::BackgroundWork(QObject *parent) : QObject(parent)
{
    // Often enough that a result shows within a frame or two.
    poll.setInterval(15);
    connect(&poll, &QTimer::timeout, this, &BackgroundWork::look);
    slowTimer.setSingleShot(true);
    slowTimer.setInterval(300);
    connect(&slowTimer, &QTimer::timeout, this, [this] {
        if (running())
            emit slow();
    });
}

BackgroundWork::~BackgroundWork()
{
    stop();
    for (const std::unique_ptr<Run> &run : runs)
        run->thread.join();
}

void BackgroundWork::start(Work work)
{
    stop();
    auto run = std::make_unique<Run>();
    Run *r = run.get();
    r->thread = std::thread([r, work = std::move(work)] {
        work(r->progress);
        r->done.store(true, std::memory_order_release);
    });
    runs.push_back(std::move(run));
    poll.start();
    slowTimer.start();
}

void BackgroundWork::stop()
{
    if (!runs.empty())
        runs.back()->progress.Stop();
    slowTimer.stop();
}

bool BackgroundWork::running() const
{
    return !runs.empty() && !runs.back()->progress.Stopped() &&
           !runs.back()->done.load(std::memory_order_acquire);
}

int BackgroundWork::permille() const
{
    return runs.empty() ? 0 : runs.back()->progress.Permille();
}

void BackgroundWork::look()
{
    // Stopped runs are joined once they end; the current one is told.
    for (std::size_t k = 0; k < runs.size();) {
        Run &run = *runs[k];
        if (!run.done.load(std::memory_order_acquire)) {
            ++k;
            continue;
        }
        run.thread.join();
        const bool told = k + 1 == runs.size() && !run.progress.Stopped();
        runs.erase(runs.begin() + std::ptrdiff_t(k));
        if (told) {
            slowTimer.stop();
            emit finished();
        }
    }
    if (runs.empty())
        poll.stop();
}

namespace {

const char *const kAllowed = "palmiro-allowed-while-busy";

bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

InputGate::InputGate()
{
    qApp->installEventFilter(this);
}

InputGate::~InputGate()
{
    qApp->removeEventFilter(this);
}

bool InputGate::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsInput(event->type()) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (!IsCompanion(widget->window()) || widget->property(kAllowed).toBool())
        return false;
    // Taken here, a key is no shortcut either.
    event->accept();
    return true;
}

void AllowWhileBusy(QWidget *widget)
{
    widget->setProperty(kAllowed, true);
}

bool RunWithProgress(const QString &label, const BackgroundWork::Work &work)
{
    BackgroundWork background;
    InputGate gate;
    QEventLoop loop;
    bool cancelled = false;
    // Made only when the work is slow: a progress dialog shows itself on a timer of its own.
    std::unique_ptr<QProgressDialog> dialog;
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &loop,
                     [&] { dialog->setValue(background.permille()); });
    QObject::connect(&background, &BackgroundWork::slow, &loop, [&] {
        dialog = std::make_unique<QProgressDialog>(label, QProgressDialog::tr("Cancel"), 0, 1000,
                                                   MainWindow());
        dialog->setAutoReset(false);
        dialog->setAutoClose(false);
        dialog->setMinimumDuration(0);
        QObject::connect(dialog.get(), &QProgressDialog::canceled, &loop, [&] {
            cancelled = true;
            loop.quit();
        });
        dialog->setValue(background.permille());
        MoveBesideWindows(dialog.get());
        dialog->show();
        tick.start();
    });
    QObject::connect(&background, &BackgroundWork::finished, &loop, &QEventLoop::quit);
    background.start(work);
    loop.exec();
    return !cancelled;
}
