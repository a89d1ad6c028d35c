#include "windows/kit/WindowKit.h"

#include "base/Numbers.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLayout>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <memory>

int TwipsToPixels(int twips)
{
    return static_cast<int>(DivRoundHalfEven(twips, 15));
}

int PixelsToTwips(int pixels)
{
    return pixels * 15;
}

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

void PlaceTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

QColor PackedToQColor(qint32 packed)
{
    return QColor(packed & 0xff, (packed >> 8) & 0xff, (packed >> 16) & 0xff);
}

QFont DesignedFont()
{
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    return font;
}

QFont DesignedArialFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    return font;
}

void SetDesignedFont(QWidget *widget, const QFont &font)
{
    widget->setFont(font);
}

void ApplyFontName(QWidget *widget, const QString &family)
{
    QFont font = widget->font();
    font.setFamily(family);
    widget->setFont(font);
}

void SetBackground(QWidget *widget, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

void SetForeground(QWidget *widget, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    widget->setPalette(p);
}

QColor Background(const QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

void SetCellLook(QLabel *cell, CellLook look)
{
    if (look == CellLook::Flat) {
        cell->setFrameStyle(QFrame::Box | QFrame::Plain);
        cell->setLineWidth(1);
    } else {
        cell->setFrameStyle(QFrame::Panel | QFrame::Raised);
        cell->setLineWidth(2);
    }
}

CellLook CellLookOf(const QLabel *cell)
{
    return cell->frameShape() == QFrame::Box ? CellLook::Flat : CellLook::Raised;
}

void InstallLook()
{
    // The classic look puts frame captions on the frame line, where the
    // window layout expects them.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
    InstallFontSubstitutions();
}

void InstallFontSubstitutions()
{
    // IPA's proportional Gothic keeps the old metrics, so texts fit the
    // heights the layouts give them; Noto is the fallback.
    const QStringList proportional{QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                                   QStringLiteral("VL PGothic")};
    const QStringList fixed{QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")};
    for (const char *name : {"ＭＳ Ｐゴシック", "MS PGothic", "MS UI Gothic"})
        QFont::insertSubstitutions(QString::fromUtf8(name), proportional);
    for (const char *name : {"ＭＳ ゴシック", "MS Gothic"})
        QFont::insertSubstitutions(QString::fromUtf8(name), fixed);
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    // Taken here, so the release comes back to this label and the press
    // does not reach the window beneath as well.
    event->accept();
    emit pressed(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        const int cell = size / 4;
        for (int i = 0; i < 16; ++i) {
            const int hue = (i * 360 / 16) % 360;
            p.fillRect((i % 4) * cell, (i / 4) * cell, cell - 1, cell - 1,
                       QColor::fromHsv(hue, 200, 230));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

void CompactLabel::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter p(this);
    // The border stays dark whatever colour the text takes.
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect().adjusted(2, 1, -1, -1);
    const int pixelSize = font().pixelSize() > 0 ? font().pixelSize() : fontMetrics().height();
    const int step = pixelSize + 2;
    int y = area.top();
    for (const QString &line : text().split(QLatin1Char('\n'))) {
        p.drawText(QRect(area.left(), y, area.width(), step), Qt::AlignLeft | Qt::AlignVCenter,
                   line);
        y += step;
    }
}

void PlaceFrameAt(QWidget *window, const QPoint &framePos)
{
    // Moving a mapped window again before the window manager has told Qt
    // its frame would put the bare window where the frame belongs.
    if (window->pos() != framePos)
        window->move(framePos);
}

namespace {

template <typename Control>
Control *NewPlaced(QWidget *parent, const QString &text, int left, int top, int width, int height)
{
    auto *control = new Control(text, parent);
    PlaceTwips(control, left, top, width, height);
    SetDesignedFont(control);
    return control;
}

} // namespace

QLabel *NewLabel(QWidget *parent, const QString &text, int left, int top, int width, int height)
{
    return NewPlaced<QLabel>(parent, text, left, top, width, height);
}

QPushButton *NewButton(QWidget *parent, const QString &text, int left, int top, int width,
                       int height)
{
    return NewPlaced<QPushButton>(parent, text, left, top, width, height);
}

QLineEdit *NewTextBox(QWidget *parent, const QString &text, int left, int top, int width,
                      int height)
{
    return NewPlaced<QLineEdit>(parent, text, left, top, width, height);
}

QSlider *NewChannelSlider(QWidget *parent, int left, int top, int width, int height)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    PlaceTwips(slider, left, top, width, height);
    slider->setRange(0, 255);
    slider->setSingleStep(1);
    slider->setPageStep(kChannelPageStep);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

namespace {

// What a title bar keeps for its icon and buttons, and the title's width; window managers draw
// titles in a bold face of about the program's size.
constexpr int kTitleBarButtons = 80;

int TitleWidth(const QString &title)
{
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title);
}

} // namespace

bool TitleFits(const QWidget *window, const QString &title)
{
    return TitleWidth(title) + kTitleBarButtons <= window->width();
}

void WidenForTitle(QWidget *window)
{
    // Some dialogs (QInputDialog) make their layout only as they show, one that sets the
    // minimum and maximum itself: the width is set again once it is there.
    struct OnShow : QObject {
        using QObject::QObject;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            auto *w = static_cast<QWidget *>(watched);
            if (event->type() == QEvent::Show) {
                if (QLayout *layout = w->layout())
                    layout->setSizeConstraint(QLayout::SetDefaultConstraint);
                const int need = TitleWidth(w->windowTitle()) + kTitleBarButtons;
                w->setMinimumWidth(std::max(w->minimumWidth(), need));
                if (w->width() < need)
                    w->resize(need, w->height());
            }
            return false;
        }
    };
    window->installEventFilter(new OnShow(window));
}

void OfferNoMinimise(QWidget *window)
{
    // Window managers such as openbox give every dialog a minimise button
    // whatever its hints say; a toolbar-type window gets none. Qt's X11
    // backend takes the type from this property when the flags are set.
    QWindow *handle = window->windowHandle();
    if (!handle)
        return;
    handle->setProperty("_q_xcb_wm_window_type", 8);
    const Qt::WindowFlags flags = handle->flags();
    handle->setFlags(flags | Qt::WindowContextHelpButtonHint);
    handle->setFlags(flags);
}

bool InstallQtTranslation(const QString &language)
{
    static QTranslator *installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    // Qt's texts are English already: no file for "en".
    if (!translator->load(QStringLiteral("qtbase_") + language,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    installed = translator.release();
    QCoreApplication::installTranslator(installed);
    return true;
}

QString WithoutAccelerator(QString text)
{
    static const QRegularExpression bracketed(QStringLiteral("\\(&.\\)"));
    return text.remove(bracketed).remove(u'&');
}
