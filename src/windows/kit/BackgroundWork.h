#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class Progress;
class QWidget;

// Work on a thread of its own while the window thread goes on. Its end is
// looked for on the window thread, so no call from the worker reaches a
// window that has gone.
class BackgroundWork : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(Progress &)>;
    explicit BackgroundWork(QObject *parent = nullptr);
    // Stops what runs and waits for it.
    ~BackgroundWork() override;
    BackgroundWork(const BackgroundWork &) = delete;
    BackgroundWork &operator=(const BackgroundWork &) = delete;

    // Stops the work running, whose end is then not told, and starts `work`.
    void start(Work work);
    void stop();
    bool running() const;
    // How far the current work got, 0 to 1000.
    int permille() const;

signals:
    // The work ended without being stopped.
    void finished();
    // The work has run for 0.3 s: long enough to show that it runs.
    void slow();

private:
    struct Run;
    void look();
    std::vector<std::unique_ptr<Run>> runs; // the last is the current one
    QTimer poll;
    QTimer slowTimer;
};

// While one lives, the three windows take no input but on the widgets
// marked by AllowWhileBusy: they repaint and move, the rest waits.
class InputGate : public QObject {
public:
    InputGate();
    ~InputGate() override;
    InputGate(const InputGate &) = delete;
    InputGate &operator=(const InputGate &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
void AllowWhileBusy(QWidget *widget);

// Runs `work` on another thread; after 0.3 s a progress dialog with Cancel
// shows `label`. The windows repaint meanwhile and take no input but
// InputGate's. False when it was cancelled.
bool RunWithProgress(const QString &label, const BackgroundWork::Work &work);
