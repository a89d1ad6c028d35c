// Writes the benchmark images into a folder: noise.pcx and flat.pcx
// (4096 x 4096), flat8192.pcx (8192 x 8192) and tiny.pcx (16 x 16, for the
// cost of starting a process).

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
        bench::Pixels image;
    } files[] = {{"noise.pcx", bench::NoiseImage(side, side)},
                 {"flat.pcx", bench::FlatImage(side, side)},
                 {"flat8192.pcx", bench::FlatImage(2 * side, 2 * side)},
                 {"tiny.pcx", bench::NoiseImage(16, 16)}};
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
