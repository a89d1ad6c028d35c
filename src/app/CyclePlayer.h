#pragma once

#include "model/Cycling.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>

// Plays the colour cycling: the picture and the palette cells show each
// range rotated at its rate, timed by the clock. The entries themselves never
// change, so edits, saving and undo act on the palette as edited; stopping
// shows it as it is.
class CyclePlayer : public QObject {
    Q_OBJECT
public:
    CyclePlayer();
    bool playing() const { return on; }
    void toggle();
    void stop();
    // The palette as the picture shows it now.
    PalletArray shown() const;
    // After the ranges changed: the next step is timed from them.
    void rangesChanged();
    // Stops without drawing: the windows that show it are gone.
    void halt();
    // Redraws since the last start, for measuring.
    qint64 framesDrawn() const { return drawn; }

signals:
    void playingChanged(bool playing);
    // The colours the palette's cells show now; the picture is drawn next.
    void coloursShown(const PalletArray &colours);

private:
    void tick();
    void schedule();

    QTimer timer;
    QElapsedTimer clock;
    std::vector<qint64> steps;
    bool on = false;
    qint64 drawn = 0;
    PalletArray lastShown{};
};

CyclePlayer &ThePlayer();
