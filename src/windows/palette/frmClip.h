#pragma once

#include <QDialog>

#include <array>

class ClickLabel;
class QLabel;
class QPushButton;

// Marks a range of entries to copy to the clipboard as palette text. The
// range lives only in the captions of lblFrom and lblTo.
class frmClip : public QDialog {
    Q_OBJECT
public:
    frmClip();

    std::array<ClickLabel *, 256> lblColor{};
    QLabel *Label3;
    QLabel *Label1;
    QLabel *lblFrom;
    QLabel *Label2;
    QLabel *lblTo;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    void Form_Activate();
    void lblColor_Click(qint16 index);
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showAllFlat();
};
