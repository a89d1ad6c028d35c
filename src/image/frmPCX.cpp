#include "image/frmPCX.h"

#include "image/DrawPcxImage.h"
#include "shell/WindowKit.h"
#include "shell/mdlGlobal.h"

#include <QCloseEvent>
#include <QPainter>
#include <QScrollBar>

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
        QPainter p(this);
        p.fillRect(event->rect(), Qt::black);
        p.drawImage(event->rect().topLeft(), image, event->rect());
    }

private:
    const QImage &image;
};

} // namespace

frmPCX::frmPCX()
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setWindowIcon(AppIcon());
    SetDesignedFont(this);
    SetBackground(this, Qt::black);
    resize(TwipsToPixels(4680), TwipsToPixels(4425));

    drawingArea = new DrawingArea(this, backing);
    scrlH = new QScrollBar(Qt::Horizontal, this);
    scrlV = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar *bar : {scrlH, scrlV}) {
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        bar->setPageStep(10);
    }
    Form_Load();
}

void frmPCX::Form_Load()
{
    mdlGlobal::PcxImage = ::PcxImage{};
    scrlH->setFixedHeight(kScrollBarThickness);
    scrlV->setFixedWidth(kScrollBarThickness);
    intScr();
}

void frmPCX::intScr()
{
    const int sw = innerWidth();
    const int sh = innerHeight();
    scrlV->setGeometry(sw - kScrollBarThickness, 0, kScrollBarThickness,
                       qMax(0, sh - kScrollBarThickness));
    scrlH->setGeometry(0, sh - kScrollBarThickness, qMax(0, sw - kScrollBarThickness),
                       kScrollBarThickness);
}

void frmPCX::SetMouseCursorTo() {}

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

void frmPCX::closeEvent(QCloseEvent *event)
{
    // The window lives as long as the program.
    event->ignore();
}
