#pragma once

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QRect>
#include <QString>

class QWidget;

// 15 twips are one pixel at 96 dpi; Qt scales the pixels for other screens.
int TwipsToPixels(int twips);
int PixelsToTwips(int pixels);
QRect TwipsRect(int left, int top, int width, int height);
void PlaceTwips(QWidget *widget, int left, int top, int width, int height);

QColor PackedToQColor(qint32 packed);

// The font a control has when nothing else is applied to it. Every control
// gets its own, so that a font name applied to a window does not spread into
// controls that must keep theirs.
QFont DesignedFont();
QFont DesignedArialFont();
void SetDesignedFont(QWidget *widget, const QFont &font = DesignedFont());
// Only the name changes; size and style stay as designed.
void ApplyFontName(QWidget *widget, const QString &family);

void SetBackground(QWidget *widget, const QColor &color);
void SetForeground(QWidget *widget, const QColor &color);
QColor Background(const QWidget *widget);

enum class CellLook { Flat, Raised };
void SetCellLook(QLabel *cell, CellLook look);
CellLook CellLookOf(const QLabel *cell);

// Moves a top-level window so that its frame, title bar included, starts at
// framePos. Placed before it is first shown, the window manager puts the
// frame there.
void PlaceFrameAt(QWidget *window, const QPoint &framePos);

// Whether a title bar as wide as the window shows the title whole beside its buttons.
bool TitleFits(const QWidget *window, const QString &title);
// The window made at least as wide as its title needs.
void WidenForTitle(QWidget *window);

// A fixed dialog: no minimise or maximise offered by the window manager.
// For a window already created (QWidget::create) and not yet shown. Not
// through winId(): that marks the window native, its parent then turns all
// its other children native too, and each becomes an X window of its own.
void OfferNoMinimise(QWidget *window);

// Registers the Japanese fallback for the designed font names so that the
// names themselves can stay as they are written.
void InstallFontSubstitutions();
// The widget style and fonts of the program.
void InstallLook();

// Qt's own dialogs (file, colour, message boxes) in `language` ("ja", "en",
// ...); replaces the one installed before. False when Qt has none for it.
bool InstallQtTranslation(const QString &language);

// A label that reports a left click (press and release on it), as the cells
// of a palette grid need.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();
    void pressed(QMouseEvent *event);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The program's icon: a small grid of palette colours.
QIcon AppIcon();

// A label whose lines stand as close as the old bitmap fonts stood, so that
// four lines fit the height a layout gave them whatever the font's own
// line spacing.
class CompactLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

class QLineEdit;
class QPushButton;
class QSlider;

// Controls placed in twips, each with the designed font.
QLabel *NewLabel(QWidget *parent, const QString &text, int left, int top, int width, int height);
QPushButton *NewButton(QWidget *parent, const QString &text, int left, int top, int width,
                       int height);
QLineEdit *NewTextBox(QWidget *parent, const QString &text, int left, int top, int width,
                      int height);
// A colour channel: 0 to 255, steps of 1 and kChannelPageStep, no tick marks.
constexpr int kChannelPageStep = 5;
QSlider *NewChannelSlider(QWidget *parent, int left, int top, int width, int height);

// A menu text as a title: "(&C)" after Japanese texts, a lone "&" in others.
QString WithoutAccelerator(QString text);
