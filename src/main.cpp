#include "app/CommandLine.h"
#include "app/ProgramInfo.h"
#include "platform/QtPlatform.h"
#include "windows/Forms.h"
#include "windows/kit/WindowKit.h"
#include "windows/main/OpenFiles.h"
#include "windows/main/frmMain.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/frmPCX.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Past a file size limit (ulimit -f) a write fails with a reason to
    // report, rather than ending the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    const CommandLine line = SplitCommandLine(argc, argv);
    if (line.ask != CommandLine::Ask::Nothing) {
        // No QApplication: these answers need no display.
        const QCoreApplication app(argc, argv);
        const QString text = line.ask == CommandLine::Ask::Help
                                 ? EditorHelp(SettingsFileBesideExecutable())
                                 : VersionLine(QStringLiteral("palmiro"));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        (qpa.isEmpty() || qpa.startsWith("xcb") || qpa.startsWith("wayland"))) {
        std::fprintf(stderr, "palmiro: no display; start it under X, e.g. "
                             "xvfb-run -a palmiro (or set DISPLAY)\n");
        return 1;
    }
    int qtArgc = line.qtArgc;
    QApplication app(qtArgc, argv);
    // Image plug-ins report harmless oddities of other programs' files (an
    // ICC profile libpng dislikes) on stderr; a refusal comes back as a value.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    QApplication::setApplicationName(QStringLiteral("Palmiro"));
    QGuiApplication::setDesktopFileName(QStringLiteral("palmiro"));
    InstallLook();

    QtPlatform platform;
    SetPlatform(&platform);
    frmMain &main = FrmMain();
    main.Form_Load();
    main.show();
    for (QWidget *window : {static_cast<QWidget *>(&main), static_cast<QWidget *>(&FrmPallet()),
                            static_cast<QWidget *>(&FrmPCX())})
        AcceptFileDrops(window);
    OpenFilesLater(app.arguments().mid(1) + line.files);
    const int rc = app.exec();
    UnloadAllForms();
    return rc;
}
