#include "app/CommandLine.h"

#include <QFile>

#include <cstring>

CommandLine SplitCommandLine(int argc, const char *const *argv)
{
    CommandLine line{argc, {}};
    for (int i = 1; i < argc; ++i) {
        const bool help = !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h");
        if (line.ask == CommandLine::Ask::Nothing && (help || !std::strcmp(argv[i], "--version")))
            line.ask = help ? CommandLine::Ask::Help : CommandLine::Ask::Version;
        if (std::strcmp(argv[i], "--") != 0)
            continue;
        line.qtArgc = i;
        for (int k = i + 1; k < argc; ++k)
            line.files << QFile::decodeName(argv[k]);
        break;
    }
    return line;
}
