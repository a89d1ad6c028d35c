#pragma once

#include <QPoint>
#include <QWidget>

#include <array>
#include <optional>

enum class PaletteFormat;

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TextCommit;
class ClickLabel;

// The command panel: a narrow window with its own title strip, flanked by
// the palette window on the left and the screen window on the right.
class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // Start-up: the whole of it.
    void Form_Load();

    // Re-lays the decoded image one pixel narrower (-1) or wider (+1).
    void PcxAdjust(qint32 step);

    std::array<ClickLabel *, 2> lblTitle{};
    QPushButton *cmdMin;
    QPushButton *cmdPcxOpen;
    QGroupBox *Frame2;
    QLineEdit *txtZoom;
    QLabel *Label1;
    QSlider *sldZoom;
    QGroupBox *fraPCXAdjust;
    QPushButton *cmdAdjustMinas;
    QPushButton *cmdAdjustPlus;
    QLabel *lblInfo;
    QGroupBox *Frame1;
    QPushButton *cmdActNew;
    QPushButton *cmdActOpen;
    QPushButton *cmdActSave;
    QPushButton *cmdAbout;
    QPushButton *cmdExit;

    void cmdAbout_Click();
    void cmdExit_Click();
    void cmdMin_Click();
    void Form_Activate();
    void Form_Deactivate();
    void Form_MouseDown(Qt::MouseButtons buttons);
    void Form_Resize();
    // True when the close is cancelled: asked only with palette edits unsaved.
    bool Form_QueryUnload();
    void Form_Unload();
    void lblTitle_MouseDown(int index, Qt::MouseButtons buttons);

    void cmdActNew_Click();
    void cmdActOpen_Click();
    // The Open and "&PCX Open" commands after their dialogs; true when the
    // file was taken.
    // A raw hardware format given is read as that, whatever the content.
    bool OpenAct(const QString &path, std::optional<PaletteFormat> raw = std::nullopt);
    bool OpenPcx(const QString &path);
    void cmdActSave_Click();

    void cmdPcxOpen_Click();
    void sldZoom_Change();
    // False when the text was refused and the focus sent back.
    bool txtZoom_LostFocus();
    void cmdAdjustMinas_Click();
    void cmdAdjustPlus_Click();
    // The zoom percentage last committed from the box or the slider; the
    // picture follows it, not a text still being typed.
    int CommittedZoom() const { return committedZoom; }
    // Ctrl and the wheel over the picture: the slider's own steps.
    void StepZoom(int steps);
    // The screen window drew the picture at 1/n by itself: the box shows it,
    // the slider stays at its least.
    void ShowZoomOut(int n);
    // The read-out of the entry under the pointer on the picture.
    void ShowEntry(int id);

signals:
    void zoomCommitted(int percent);

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Goes first when the window is destroyed, so that the focus leaving a
    // dying text box commits nothing.
    TextCommit *textCommit = nullptr;
    void buildControls();
    void moveToTwips(qint32 left, qint32 top);
    void commitZoom(int percent);
    // What the box shows of the zoom the picture is drawn at.
    QString drawnZoomText() const;

    // Re-places a companion once the window manager has framed it, since
    // its frame's width is unknown before.
    void placeCompanion(QWidget *companion);

    QWidget *client;
    int committedZoom = 100;
    // 1/n below 100 %, set by the screen window; 1 otherwise.
    int zoomOut = 1;
    // Palette and screen window until the window manager has framed them.
    std::array<QWidget *, 2> unframed{};
    bool firstShown = false;
    // Moves made by the window itself do not carry the companions.
    bool placing = false;
    bool endingProcess = false;
    QPoint placedAt;
    QPoint lastPos;
};
