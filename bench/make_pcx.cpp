// Writes the benchmark images noise.pcx and flat.pcx into a folder.

#include "BenchImages.h"

#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_make_pcx FOLDER\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int side = bench::kBigSide;
    const struct {
        const char *name;
        PcxImage image;
    } files[] = {{"noise.pcx", bench::NoiseImage(side, side)},
                 {"flat.pcx", bench::FlatImage(side, side)}};
    for (const auto &f : files) {
        QFile out(dir + u'/' + QString::fromLatin1(f.name));
        const QByteArray bytes = bench::EncodePcx(f.image);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "bench_make_pcx: cannot write %s\n", f.name);
            return 1;
        }
    }
    return 0;
}
