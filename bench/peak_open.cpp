// Peak memory of the editor opening a PCX file twice, through its own open
// command's steps (read and check, decode, draw), offscreen. Reports the
// growth of the resident set beside the file and pixel sizes it holds.

#include "image/DrawPcxImage.h"
#include "image/LoadPcxFile.h"
#include "platform/QtPlatform.h"
#include "shell/Forms.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"

#include <QApplication>
#include <QFileInfo>

#include <sys/resource.h>

#include <cstdio>

namespace {

long long MaxRssBytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (long long)u.ru_maxrss * 1024;
}

bool Open(const QString &path)
{
    if (!LoadPcxFile(path))
        return false;
    DecodePcxImage();
    DrawPcxImage();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_peak_open FILE.pcx\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtPlatform platform;
    SetPlatform(&platform);
    FrmMain().Form_Load();
    FrmMain().show();
    QApplication::processEvents();

    const QString path = QString::fromLocal8Bit(argv[1]);
    const long long file = QFileInfo(path).size();
    const long long before = MaxRssBytes();
    if (!Open(path))
        return 1;
    const long long first = MaxRssBytes() - before;
    const long long pixels = (long long)mdlGlobal::PcxImage.width() * mdlGlobal::PcxImage.height();
    if (!Open(path))
        return 1;
    const long long second = MaxRssBytes() - before;
    std::printf("{\"file\": %lld, \"pixels\": %lld, \"first\": %lld, \"second\": %lld}\n", file,
                pixels, first, second);
    std::fflush(stdout);
    std::_Exit(0);
}
