#pragma once

#include <QImage>
#include <QWidget>

class QScrollBar;

// Shows the image through the palette being edited, scrolls it, and reports
// the entry under the pointer.
class frmPCX : public QWidget {
    Q_OBJECT
public:
    frmPCX();

    void SetMouseCursorTo();
    void intScr();

    QScrollBar *scrlH;
    QScrollBar *scrlV;

    // The picture as last drawn; painting only copies it to the screen.
    QImage &raster() { return backing; }
    QWidget *area() const { return drawingArea; }
    int innerWidth() const { return width(); }
    int innerHeight() const { return height(); }

    static constexpr int kScrollBarThickness = 17;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Form_Resize();

    QWidget *drawingArea;
    QImage backing;
};
