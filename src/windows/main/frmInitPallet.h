#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class TextCommit;

// Asks for the one colour a new palette is filled with. Hidden, not
// destroyed, when it closes, so it keeps its values from one New to the next.
class frmInitPallet : public QDialog {
    Q_OBJECT
public:
    frmInitPallet();
    ~frmInitPallet() override;

    QLabel *lblMSG;
    QLabel *lblSelectColor;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    std::array<QLineEdit *, 3> txtColor{};
    std::array<QSlider *, 3> sldColBar{};
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    void sldColBar_Change(int k);
    // False when the text was refused and the focus sent back.
    bool txtColor_LostFocus(int k);
    void cmdOK_Click();
    void cmdCancel_Click();

    void reject() override;

private:
    // Goes first when the window is destroyed, so that the focus leaving a
    // dying text box commits nothing.
    TextCommit *textCommit = nullptr;
    void Form_Load();
    void showSwatch();
};
