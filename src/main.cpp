#include "platform/QtPlatform.h"
#include "shell/Forms.h"
#include "shell/WindowKit.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        (qpa.isEmpty() || qpa.startsWith("xcb") || qpa.startsWith("wayland"))) {
        std::fprintf(stderr, "palmiro: no display; start it under X, e.g. "
                             "xvfb-run -a palmiro (or set DISPLAY)\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Palmiro"));
    QGuiApplication::setDesktopFileName(QStringLiteral("palmiro"));
    InstallLook();

    QtPlatform platform;
    SetPlatform(&platform);
    frmMain &main = FrmMain();
    main.Form_Load();
    main.show();
    const int rc = app.exec();
    UnloadAllForms();
    return rc;
}
