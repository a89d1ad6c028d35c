#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Name, icon and version. Loaded hidden at start-up; OK unloads it.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout();

    QLabel *Picture1;
    QLabel *Label1;
    QLabel *lblVer;
    QLabel *Label2;
    QPushButton *cmdOK;

    void Form_Load();
    void cmdOK_Click();
};

// "Version " major "." minor revision "β": 0, 7, 8 -> "Version 0.78β".
QString VersionText(int major, int minor, int revision);
