#include "app/ProgramInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString SettingsFileBesideExecutable()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    QString dir = QCoreApplication::applicationDirPath();
    while (dir.endsWith(QLatin1Char('/')) && dir.size() > 1)
        dir.chop(1);
    return dir + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
}

QString UserSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/palmiro/palmiro.ini");
}

QString ChooseSettingsFile(const QString &besideExecutable)
{
    // Installed, the executable's folder is not the user's to write.
    return QFileInfo::exists(besideExecutable) ? besideExecutable : UserSettingsFile();
}

QString VersionLine(const QString &program)
{
    return QStringLiteral("%1 %2.%3.%4\n")
        .arg(program)
        .arg(PALMIRO_VERSION_MAJOR)
        .arg(PALMIRO_VERSION_MINOR)
        .arg(PALMIRO_VERSION_PATCH);
}

QString EditorHelp(const QString &besideExecutable)
{
    return QStringLiteral(
               "usage: palmiro [OPTION...] [FILE...] [-- FILE...]\n"
               "Edits 256-colour palettes with a live preview of an indexed picture.\n"
               "\n"
               "  FILE          a palette (ACT, GIMP, JASC-PAL, RIFF PAL, Paint.NET, hex)\n"
               "                or an image (PCX, PNG, BMP, GIF) to open; every argument\n"
               "                after \"--\" is a file, even one named like an option\n"
               "  -h, --help    show this help and exit\n"
               "  --version     show the version and exit\n"
               "  -style NAME, -reverse, ...  Qt's own options\n"
               "\n"
               "Settings file (texts, font, language), read at start-up:\n"
               "  %1\n"
               "  or, when there is none there,\n"
               "  %2\n")
        .arg(besideExecutable, UserSettingsFile());
}
