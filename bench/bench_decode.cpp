// Opening a 4096 x 4096 PCX from memory: reading, decoding and the layout
// into the image. Reads the files bench/run gives Pillow when
// PALMIRO_BENCH_DATA names their folder.

#include "BenchImages.h"
#include "base/FileBytes.h"

#include "formats/PcxReader.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QByteArray BenchFile(const char *name)
{
    if (const char *dir = std::getenv("PALMIRO_BENCH_DATA")) {
        if (auto bytes =
                ReadWholeFile(QString::fromLocal8Bit(dir) + u'/' + QString::fromLatin1(name)))
            return *bytes;
    }
    const int side = bench::kBigSide;
    return bench::EncodePcx(QByteArrayView(name).startsWith("noise")
                                ? bench::NoiseImage(side, side)
                                : bench::FlatImage(side, side));
}

void Decode(benchmark::State &state, const char *name)
{
    const QByteArray file = BenchFile(name);
    qint64 pixels = 0;
    for (auto _ : state) {
        DecodedPicture pcx = ReadPcx(file);
        if (!pcx.accepted()) {
            state.SkipWithError("refused");
            break;
        }
        pixels = qint64(pcx.decoded.size());
        benchmark::DoNotOptimize(pcx.decoded.data());
    }
    state.counters["MP/s"] =
        benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeNoise(benchmark::State &state)
{
    Decode(state, "noise.pcx");
}
void BM_DecodeFlat(benchmark::State &state)
{
    Decode(state, "flat.pcx");
}
BENCHMARK(BM_DecodeNoise);
BENCHMARK(BM_DecodeFlat);

} // namespace

BENCHMARK_MAIN();
