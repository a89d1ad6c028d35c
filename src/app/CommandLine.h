#pragma once

#include <QStringList>

// The program's arguments split at the first "--": Qt sees only those before
// it, so a file named like one of Qt's options ("-reverse") is still a file.
struct CommandLine {
    // How many of argv Qt may see, the program's name included.
    int qtArgc = 0;
    // Everything after the "--", in order.
    QStringList files;
    // Answered on stdout before any window: the first of them before "--".
    enum class Ask { Nothing, Help, Version } ask = Ask::Nothing;
};

CommandLine SplitCommandLine(int argc, const char *const *argv);
