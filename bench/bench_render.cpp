// Drawing a full-HD screen window, beside Qt's own palette conversion and a
// plain copy of the frame, all measured in the same run.

#include "BenchImages.h"
#include "app/LightView.h"

#include "model/Render.h"
#include "model/ZoomOut.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kAreaW = 1920;
constexpr int kAreaH = 1080;

const bench::Pixels &Noise()
{
    static const bench::Pixels img = bench::NoiseImage(bench::kBigSide, bench::kBigSide);
    return img;
}

const PcxImage &Picture()
{
    static const PcxImage img = bench::ToPcxImage(Noise());
    return img;
}

PalletArray SomePallet()
{
    PalletArray p{};
    for (int i = 0; i < 256; ++i)
        p[std::size_t(i)].set(quint8(i), quint8(i * 5), quint8(255 - i));
    return p;
}

// Window columns 0..1919 and rows 0..1079, from somewhere inside the image.
DrawView FullArea(int f)
{
    return DrawView{100, 100, kAreaW - 1, kAreaH - 1, f};
}

void BM_Fill(benchmark::State &state)
{
    const int f = int(state.range(0));
    const ColorTable table = BuildColorTable(SomePallet(), -1);
    QImage raster(kAreaW, kAreaH, QImage::Format_RGB32);
    for (auto _ : state) {
        FillView(raster.bits(), raster.bytesPerLine(), kAreaW, kAreaH, Picture(), table,
                 FullArea(f));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Fill)->Arg(1)->Arg(2)->Arg(4)->ArgName("zoom");

// Zoomed out: every pixel of the picture in view averaged into its block.
void BM_FillReduced(benchmark::State &state)
{
    const int n = int(state.range(0));
    const ColorTable table = BuildColorTable(SomePallet(), -1);
    QImage raster(kAreaW, kAreaH, QImage::Format_RGB32);
    const int w = std::min(kAreaW, bench::kBigSide / n), h = std::min(kAreaH, bench::kBigSide / n);
    for (auto _ : state) {
        FillReducedView(raster.bits(), raster.bytesPerLine(), kAreaW, kAreaH, Picture(), table,
                        DrawView{0, 0, w - 1, h - 1, n}, -1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillReduced)->Arg(8)->Arg(32)->ArgName("n");

void BM_SliderEdit(benchmark::State &state)
{
    PalletArray pallet = SomePallet();
    QImage raster(kAreaW, kAreaH, QImage::Format_RGB32);
    int value = 0;
    for (auto _ : state) {
        pallet[37].setChannel(1, quint8(value++));
        const ColorTable table = BuildColorTable(pallet, -1);
        FillView(raster.bits(), raster.bytesPerLine(), kAreaW, kAreaH, Picture(), table,
                 FullArea(1));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SliderEdit);

// The same edit seen at light level 20: the shade table made again from the edited palette and
// its row composed into the colour table, the fill as it was.
void BM_SliderEditShaded(benchmark::State &state)
{
    PalletArray pallet = SomePallet();
    QImage raster(kAreaW, kAreaH, QImage::Format_RGB32);
    LightView light;
    light.SetLevel(20);
    int value = 0;
    for (auto _ : state) {
        pallet[37].setChannel(1, quint8(value++));
        const ColorTable table = BuildColorTable(light.Shaded(pallet, pallet), -1);
        FillView(raster.bits(), raster.bytesPerLine(), kAreaW, kAreaH, Picture(), table,
                 FullArea(1));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SliderEditShaded);

// The light slider moved: the level's row composed into the colour table, the
// shade table kept, the fill as it was.
void BM_LightLevelMove(benchmark::State &state)
{
    const PalletArray pallet = SomePallet();
    QImage raster(kAreaW, kAreaH, QImage::Format_RGB32);
    LightView light;
    int level = 0;
    for (auto _ : state) {
        light.SetLevel(1 + level++ % 31);
        const ColorTable table = BuildColorTable(light.Shaded(pallet, pallet), -1);
        FillView(raster.bits(), raster.bytesPerLine(), kAreaW, kAreaH, Picture(), table,
                 FullArea(1));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LightLevelMove);

// One colour look-up and one set per pixel, as a per-pixel platform call
// would draw.
void BM_FillBySetPixel(benchmark::State &state)
{
    const PalletArray pallet = SomePallet();
    const PcxImage &img = Picture();
    QImage raster(kAreaW, kAreaH, QImage::Format_RGB32);
    for (auto _ : state) {
        raster.fill(0xff000000u);
        for (int x = 0; x < kAreaW; ++x)
            for (int y = 0; y < kAreaH; ++y)
                raster.setPixel(x, y,
                                PackedToRgb32(GetPixelColor(pallet, -1, img.at(100 + x, 100 + y))));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillBySetPixel);

void BM_QtIndexed8ToRgb32(benchmark::State &state)
{
    const bench::Pixels &img = Noise();
    QImage src(kAreaW, kAreaH, QImage::Format_Indexed8);
    QVector<QRgb> colours(256);
    const ColorTable table = BuildColorTable(SomePallet(), -1);
    for (int i = 0; i < 256; ++i)
        colours[i] = table[std::size_t(i)];
    src.setColorTable(colours);
    for (int y = 0; y < kAreaH; ++y)
        std::memcpy(src.scanLine(y), img.row(100 + y) + 100, kAreaW);
    for (auto _ : state) {
        QImage dst = src.convertToFormat(QImage::Format_RGB32);
        benchmark::DoNotOptimize(dst.constBits());
    }
}
BENCHMARK(BM_QtIndexed8ToRgb32);

void BM_MemcpyFrame(benchmark::State &state)
{
    std::vector<quint32> a(std::size_t(kAreaW) * kAreaH, 0xff102030u);
    std::vector<quint32> b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * sizeof(quint32));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyFrame);

} // namespace

BENCHMARK_MAIN();
