#pragma once

#include "model/Cycling.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>

class QWidget;

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
    // Redraws since the last start, for measuring.
    qint64 framesDrawn() const { return drawn; }

signals:
    void playingChanged(bool playing);
    void cyclesChanged();

private:
    // Stops without drawing.
    void halt();
    void tick();
    void schedule();
    void paintCells(const PalletArray &colours);

    QTimer timer;
    QElapsedTimer clock;
    std::vector<qint64> steps;
    bool on = false;
    qint64 drawn = 0;
    PalletArray lastShown{};
    PalletArray lastPallet{};
    // The colour each cell was last given here; -1 while it shows its entry.
    std::array<qint64, kPalletEntries> painted{};
};

CyclePlayer &ThePlayer();

// F5 plays and stops in this window: no text box takes the key.
void AddPlayKey(QWidget *window);

// The ranges become `after`, one step of the palette's history.
void ChangeCycles(const CycleRanges &after);
