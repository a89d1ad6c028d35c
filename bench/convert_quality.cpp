// Mean OKLab distance x 100 between each photograph and its conversion onto a
// palette of its own of N colours without dithering: the figure that is set
// beside other quantizers' on the same pictures.
//   bench_convert_quality [FOLDER]
#include "convert/Dither.h"
#include "convert/Quantize.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>

#include <cmath>
#include <cstdio>

namespace {

double MeanDistance(const QImage &picture, const std::vector<Rgb8> &palette,
                    const std::vector<std::uint8_t> &entries)
{
    std::vector<Vec3> labs;
    for (const Rgb8 &c : palette)
        labs.push_back(OklabOf(c));
    const std::uint8_t *p = picture.constBits();
    double sum = 0;
    for (std::size_t i = 0; i < entries.size(); ++i, p += 4)
        sum += std::sqrt(double(Distance2(OklabOf({p[0], p[1], p[2]}), labs[entries[i]])));
    return 100.0 * sum / double(entries.size());
}

} // namespace

int main(int argc, char **argv)
{
    // Qt passes on libpng's complaints about the photographs' colour profiles.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PALMIRO_PHOTOS));
    const QStringList names = folder.entryList({QStringLiteral("*.png"), QStringLiteral("*.jpg")},
                                               QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        std::fprintf(stderr, "no photographs in %s\n", qPrintable(folder.path()));
        return 1;
    }
    const int sizes[] = {16, 64, 256};
    double totals[3] = {};
    std::printf("%-32s %8s %8s %8s %9s\n", "photograph", "N=16", "N=64", "N=256", "ms");
    for (const QString &name : names) {
        const QImage picture =
            QImage(folder.filePath(name)).convertToFormat(QImage::Format_RGBA8888);
        const int w = picture.width(), h = picture.height();
        std::printf("%-32s", qPrintable(name));
        QElapsedTimer timer;
        timer.start();
        for (int k = 0; k < 3; ++k) {
            const std::vector<Rgb8> palette =
                MakePalette(picture.constBits(), w, h, sizes[k], false).colours;
            Candidates candidates;
            for (std::size_t e = 0; e < palette.size(); ++e)
                candidates.push_back({int(e), palette[e]});
            std::vector<std::uint8_t> entries(std::size_t(w) * std::size_t(h));
            RemapOptions options;
            options.dither = Dither::None;
            Remap(picture.constBits(), w, h, candidates, options, entries.data());
            const double d = MeanDistance(picture, palette, entries);
            totals[k] += d;
            std::printf(" %8.3f", d);
        }
        std::printf(" %9lld\n", static_cast<long long>(timer.elapsed()));
    }
    std::printf("%-32s", "mean");
    for (double t : totals)
        std::printf(" %8.3f", t / double(names.size()));
    std::printf("\n");
    return 0;
}
