#pragma once

#include <QWidget>

#include <array>

class ClickLabel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TextCommit;

// The 16 x 16 grid of entries, the selected entry's swatch, and its red,
// green and blue as sliders and text boxes.
class frmPallet : public QWidget {
    Q_OBJECT
public:
    frmPallet();
    ~frmPallet() override;

    // After ActFileBytes and ActFileLen were filled: apply them and show.
    void PalletSet();
    void initPallet(quint8 r, quint8 g, quint8 b);
    void lblColor_Click(qint16 index);

    void sldColBar_Change(int k);
    void txtColor_GotFocus(int k);
    // False when the text was refused and the focus sent back.
    bool txtColor_LostFocus(int k);
    void Form_Activate();
    void cmdSerch_Click();
    void cmdCopy_Click();
    void cmdPaste_Click();

    void ApplyUiFont(const QString &family);
    void ApplyClipCaptions(const QString &frame, const QString &copy, const QString &paste);

    QLabel *lblFName;
    std::array<ClickLabel *, 256> lblColor{};
    QLabel *lblSelectColor;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *lblPalID;
    QPushButton *cmdSerch;
    QGroupBox *fraClip;
    QPushButton *cmdCopy;
    QPushButton *cmdPaste;
    std::array<QLineEdit *, 3> txtColor{};
    std::array<QSlider *, 3> sldColBar{};

    static inline const QString kNoFile = QStringLiteral("<No File>");

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Goes first when the window is destroyed, so that the focus leaving a
    // dying text box commits nothing.
    TextCommit *textCommit = nullptr;
    void showCell(int index);
    void showSelectedColour();
    void setSliderQuietly(int k, int value);
    void redrawIfImage();
};
