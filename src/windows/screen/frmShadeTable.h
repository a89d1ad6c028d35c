#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The shade table in use: a column per entry, a row per light level, each
// cell the colour the entry shows there; the entries that fall apart in the
// dark listed worst first.
class frmShadeTable : public QWidget {
    Q_OBJECT
public:
    explicit frmShadeTable(QWidget *parent);

    // A table file shown instead of the computed table; a refusal says why
    // and leaves the view as it was.
    void OpenTableFile(const QString &path);
    void cmdOpen_Click();
    // What the read-out says over entry `entry` at `level`.
    QString CellText(int entry, int level);
    // The table as drawn, a pixel per cell.
    QImage Cells();

    QWidget *grid;
    QLabel *lblCell;
    QLabel *lblPoor;
    QPushButton *cmdOpen;
    QPushButton *cmdComputed;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refresh();
};
