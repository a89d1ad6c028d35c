#pragma once

#include "model/Render.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QMenu;
class QScrollBar;
class QSlider;
class frmShadeTable;

// Shows the image through the palette being edited, scrolls it, and reports
// the entry under the pointer.
class frmPCX : public QWidget {
    Q_OBJECT
public:
    frmPCX();

    // The pointer onto the palette window's first slider, at its value.
    void SetMouseCursorTo(const QSlider &slider);
    void intScr();
    // The zoom percentage last committed in the main window; the picture follows it.
    void SetZoom(int percent)
    {
        zoomPercent = percent;
        reduction = 1;
    }
    int Zoom() const { return zoomPercent; }
    // Below 100 %, which only this window sets: 1/n. 1 at 100 % and above.
    int Reduction() const { return reduction; }
    ZoomScale Scale() const;
    // The whole picture at once: 100 % or the largest power-of-two fraction
    // at which it fits the drawing area.
    void FitInWindow();

    QScrollBar *scrlH;
    QScrollBar *scrlV;

    // The picture as last drawn; painting only copies it to the screen.
    QImage &raster() { return backing; }
    QWidget *area() const { return drawingArea; }
    int innerWidth() const { return width(); }
    int innerHeight() const { return height(); }

    void scrlH_Change();
    void scrlV_Change();
    void scrlH_Scroll();
    void scrlV_Scroll();
    void Form_MouseMove(int x, int y);
    void Form_MouseUp(Qt::MouseButton button, int x, int y);

    // The right button's menu: export or convert the picture.
    void ShowImageMenu(const QPoint &at);
    void mnuSaveImage_Click();
    void mnuCopyImage_Click();
    void mnuConvert_Click();

    // The light level: a slider beside the horizontal bar, shown from the menu.
    QSlider *sldLight = nullptr;
    QLabel *lblLight = nullptr;
    void ShowLightSlider(bool shown);
    // Asks which entries stay fullbright at every level.
    void AskFullbright();
    bool LightSliderShown() const;
    // The shade table view, made when first opened.
    frmShadeTable &ShadeTable();

signals:
    // The entry under the pointer, moved over the picture or clicked there.
    void entryHovered(int id);
    void entryPicked(int id);
    // Ctrl and the wheel at 100 % and above: the zoom slider's steps, up or down.
    void zoomStepped(int steps);
    // The picture is drawn at 1/n now (1: 100 %), a zoom of this window's own.
    void zoomedOut(int n);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void Form_Load();
    void makeLightSlider();
    void addLightMenu(QMenu &menu);
    // The horizontal bar's left end: past the light slider while it is shown.
    int lightSliderWidth() const;
    void placeLightSlider();
    void Form_Resize();
    // The entry drawn under (x, y) of the inner area, or -1.
    int entryAt(int x, int y) const;
    void clampScroll(QScrollBar *bar, int ub, int inner);
    // The highest column or row index as the scale lays the picture out.
    int shownUb(int ub) const { return ub / reduction; }
    // One notch of Ctrl and the wheel.
    void stepZoom(bool in);
    void zoomOutTo(int n);
    // After a zoom by the wheel: the image point under the pointer stays there.
    void keepUnderPointer(const QPoint &pointer, ZoomScale old, const QPoint &from);

    QWidget *drawingArea;
    QImage backing;
    // The scale the scroll positions were last laid out for.
    ZoomScale laidOutZoom;
    int zoomPercent = 100;
    int reduction = 1;
    // A fine-grained wheel sends parts of a notch; they add up to whole ones.
    QPoint wheelRest;
    frmShadeTable *shadeTable = nullptr;
};
