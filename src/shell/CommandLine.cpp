#include "shell/CommandLine.h"

#include <QFile>

#include <cstring>

CommandLine SplitCommandLine(int argc, const char *const *argv)
{
    CommandLine line{argc, {}};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") != 0)
            continue;
        line.qtArgc = i;
        for (int k = i + 1; k < argc; ++k)
            line.files << QFile::decodeName(argv[k]);
        break;
    }
    return line;
}
