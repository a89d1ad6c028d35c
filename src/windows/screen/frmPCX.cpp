#include "windows/screen/frmPCX.h"

#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/Numbers.h"
#include "model/Render.h"
#include "model/ScrollMath.h"
#include "model/ZoomOut.h"
#include "platform/Platform.h"
#include "windows/kit/HistoryKeys.h"
#include "windows/kit/WindowKit.h"
#include "windows/screen/DrawPcxImage.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QWheelEvent>

#include <utility>

using namespace mdlGlobal;

namespace {

class DrawingArea : public QWidget {
public:
    DrawingArea(QWidget *parent, const QImage &image) : QWidget(parent), image(image)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        // The raster covers the window but for the moment after a resize
        // before it is remade: only what it leaves uncovered is blacked.
        QPainter p(this);
        const QRect shown = event->rect() & image.rect();
        if (!shown.isEmpty())
            p.drawImage(shown.topLeft(), image, shown);
        for (const QRect &bare : QRegion(event->rect()).subtracted(shown))
            p.fillRect(bare, Qt::black);
    }

private:
    const QImage &image;
};

const ::PcxImage &image()
{
    return mdlGlobal::PcxImage;
}

} // namespace

frmPCX::frmPCX()
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowIcon(AppIcon());
    SetDesignedFont(this);
    SetBackground(this, Qt::black);
    resize(TwipsToPixels(4680), TwipsToPixels(4425));

    drawingArea = new DrawingArea(this, backing);
    drawingArea->installEventFilter(this);
    drawingArea->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(drawingArea, &QWidget::customContextMenuRequested, this, &frmPCX::ShowImageMenu);
    scrlH = new QScrollBar(Qt::Horizontal, this);
    scrlV = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar *bar : {scrlH, scrlV}) {
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        bar->setPageStep(10);
        // A thumb drag redraws once, when it is let go.
        bar->setTracking(false);
    }
    connect(scrlH, &QScrollBar::valueChanged, this, &frmPCX::scrlH_Change);
    connect(scrlV, &QScrollBar::valueChanged, this, &frmPCX::scrlV_Change);
    connect(scrlH, &QScrollBar::sliderMoved, this, &frmPCX::scrlH_Scroll);
    connect(scrlV, &QScrollBar::sliderMoved, this, &frmPCX::scrlV_Scroll);
    AddHistoryKeys(this);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this, this, &frmPCX::FitInWindow);
    Document &document = TheDocument();
    connect(&document, &Document::palletChanged, this,
            [](const EntryChanges &, const PalletFollow &follow) {
                if (follow.redraw && mdlGlobal::PcxImage.isLoaded())
                    DrawPcxImage();
            });
    connect(&document, &Document::redrawNeeded, this, [] { DrawPcxImage(); });
    makeLightSlider();
    Form_Load();
}

void frmPCX::Form_Load()
{
    mdlGlobal::PcxImage = ::PcxImage{};
    scrlH->setFixedHeight(kScrollBarThickness);
    scrlV->setFixedWidth(kScrollBarThickness);
    intScr();
}

ZoomScale frmPCX::Scale() const
{
    return reduction > 1 ? ZoomScale{1, reduction} : ZoomScale{ZoomFactor(zoomPercent), 1};
}

void frmPCX::intScr()
{
    const ZoomScale s = Scale();
    const int sw = innerWidth();
    const int sh = innerHeight();
    scrlV->setGeometry(sw - kScrollBarThickness, 0, kScrollBarThickness,
                       qMax(0, sh - kScrollBarThickness));
    const int left = lightSliderWidth();
    scrlH->setGeometry(left, sh - kScrollBarThickness, qMax(0, sw - kScrollBarThickness - left),
                       kScrollBarThickness);
    placeLightSlider();

    const int maxH = ScrollMaximum(shownUb(image().UB1), s.f, sw);
    const int maxV = ScrollMaximum(shownUb(image().UB2), s.f, sh);
    // The positions are rescaled from what they were before the maxima moved,
    // and only when the zoom changed since the last layout.
    const int posH = scrlH->value();
    const int posV = scrlV->value();
    const ZoomScale old = std::exchange(laidOutZoom, s);
    scrlH->setMaximum(maxH);
    scrlV->setMaximum(maxV);
    // Screen pixels per picture pixel went from old.f / old.n to s.f / s.n.
    const int from = old.f * s.n, to = s.f * old.n;
    scrlH->setValue(RescaledScroll(posH, from, to, s.f, maxH));
    scrlV->setValue(RescaledScroll(posV, from, to, 2 * s.f, maxV));
}

void frmPCX::clampScroll(QScrollBar *bar, int ub, int inner)
{
    const int limit = ScrollLimit(shownUb(ub), Scale().f, inner);
    if (ClampScroll(bar->value(), limit) != bar->value())
        bar->setValue(limit);
}

void frmPCX::scrlH_Change()
{
    clampScroll(scrlH, image().UB1, innerWidth());
    DrawPcxImage();
}

void frmPCX::scrlV_Change()
{
    clampScroll(scrlV, image().UB2, innerHeight());
    DrawPcxImage();
}

void frmPCX::scrlH_Scroll()
{
    const int limit = ScrollLimit(shownUb(image().UB1), Scale().f, innerWidth());
    if (scrlH->sliderPosition() > limit)
        scrlH->setSliderPosition(limit);
}

void frmPCX::scrlV_Scroll()
{
    const int limit = ScrollLimit(shownUb(image().UB2), Scale().f, innerHeight());
    if (scrlV->sliderPosition() > limit)
        scrlV->setSliderPosition(limit);
}

int frmPCX::entryAt(int x, int y) const
{
    const auto hit = HitTest(image().UB1, image().UB2, Scale(), scrlH->value(), scrlV->value(), x,
                             y, innerWidth(), innerHeight());
    if (!hit)
        return -1;
    return 255 - image().at(hit->column, hit->row);
}

void frmPCX::Form_MouseMove(int x, int y)
{
    const int id = entryAt(x, y);
    if (id >= 0)
        emit entryHovered(id);
}

void frmPCX::Form_MouseUp(Qt::MouseButton button, int x, int y)
{
    const int id = entryAt(x, y);
    if (id >= 0 && button == Qt::LeftButton)
        emit entryPicked(id);
}

void frmPCX::SetMouseCursorTo(const QSlider &slider)
{
    const QRect g = slider.geometry();
    // With hardware levels the slider counts levels, not values.
    const int x =
        g.left() + static_cast<int>(DivRoundHalfEven(
                       static_cast<long long>(g.width()) * slider.value(), slider.maximum()));
    const int y = g.top();
    ThePlatform().setCursorPos(slider.parentWidget()->mapToGlobal(QPoint(x, y)));
}

void frmPCX::Form_Resize()
{
    intScr();
    DrawPcxImage();
}

void frmPCX::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    drawingArea->setGeometry(rect());
    if (backing.size() != size()) {
        backing = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        backing.fill(Qt::black);
    }
    scrlH->raise();
    scrlV->raise();
    Form_Resize();
}

bool frmPCX::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == drawingArea) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint p = static_cast<QMouseEvent *>(event)->position().toPoint();
            Form_MouseMove(p.x(), p.y());
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto *e = static_cast<QMouseEvent *>(event);
            const QPoint p = e->position().toPoint();
            Form_MouseUp(e->button(), p.x(), p.y());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmPCX::wheelEvent(QWheelEvent *event)
{
    constexpr int kNotch = 120;
    constexpr int kPixelsPerNotch = 32;
    wheelRest += event->angleDelta();
    const QPoint notches(wheelRest.x() / kNotch, wheelRest.y() / kNotch);
    wheelRest -= notches * kNotch;
    event->accept();
    const int move = notches.y() != 0 ? notches.y() : notches.x();
    if (move == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        const ZoomScale old = Scale();
        const QPoint from(scrlH->value(), scrlV->value());
        for (int i = 0; i < std::abs(move); ++i)
            stepZoom(move > 0);
        keepUnderPointer(event->position().toPoint(), old, from);
        return;
    }
    // Some desktops turn Shift+wheel into a sideways wheel themselves.
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || notches.y() == 0;
    QScrollBar *bar = sideways ? scrlH : scrlV;
    // The bar's change handling keeps the position within the image and redraws.
    if (bar->isEnabled())
        bar->setValue(bar->value() - move * kPixelsPerNotch);
}

void frmPCX::stepZoom(bool in)
{
    // Above 100 % the steps are the slider's; below, halves of the scale.
    if (in && reduction > 1)
        zoomOutTo(reduction / 2);
    else if (in || (reduction == 1 && zoomPercent > 100))
        emit zoomStepped(in ? 1 : -1);
    else if (reduction < kWheelReductionMost)
        zoomOutTo(reduction * 2);
}

void frmPCX::zoomOutTo(int n)
{
    zoomPercent = 100;
    reduction = n;
    emit zoomedOut(n);
    // The caller draws once, from positions it sets itself.
    const QSignalBlocker quietH(scrlH);
    const QSignalBlocker quietV(scrlV);
    intScr();
}

void frmPCX::FitInWindow()
{
    const int n = FitReduction(image().UB1, image().UB2, innerWidth() - kScrollBarThickness,
                               innerHeight() - kScrollBarThickness);
    {
        const QSignalBlocker quietH(scrlH);
        const QSignalBlocker quietV(scrlV);
        scrlH->setValue(0);
        scrlV->setValue(0);
    }
    zoomOutTo(n);
    DrawPcxImage();
}

void frmPCX::keepUnderPointer(const QPoint &pointer, ZoomScale old, const QPoint &from)
{
    const ZoomScale s = Scale();
    if (s == old)
        return;
    const int limitH =
        std::min(ScrollLimit(shownUb(image().UB1), s.f, innerWidth()), scrlH->maximum());
    const int limitV =
        std::min(ScrollLimit(shownUb(image().UB2), s.f, innerHeight()), scrlV->maximum());
    {
        const QSignalBlocker quietH(scrlH);
        const QSignalBlocker quietV(scrlV);
        scrlH->setValue(AnchoredScroll(from.x(), pointer.x(), old, s, limitH));
        scrlV->setValue(AnchoredScroll(from.y(), pointer.y(), old, s, limitV));
    }
    DrawPcxImage();
}

void frmPCX::closeEvent(QCloseEvent *event)
{
    // The window lives as long as the program.
    event->ignore();
}
