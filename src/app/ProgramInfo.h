#pragma once

#include <QString>

// What the program tells about itself: where it reads its settings, its
// version and its command-line help.

// The executable's folder, "/", its name without extension, ".ini". Needs the
// application object.
QString SettingsFileBesideExecutable();

// In the user's configuration folder: $XDG_CONFIG_HOME/palmiro/palmiro.ini.
QString UserSettingsFile();

// The file beside the executable when there is one, else the user's.
QString ChooseSettingsFile(const QString &besideExecutable);

// "palmiro 0.1.0" for a program's name, with a line end.
QString VersionLine(const QString &program);

// The editor's --help, naming the settings files it would read.
QString EditorHelp(const QString &besideExecutable);
