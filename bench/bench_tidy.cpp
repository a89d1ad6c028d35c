// Tidying the palette of an 8192 x 8192 picture: each item with the usage
// count before it (as palmiro-tool takes it; the window keeps its counts
// current) and the renumbering of the pixels after it, and its undo, beside
// one plain copy of the pixels.

#include "BenchImages.h"

#include "model/PaletteTidy.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int kSide = 8192;

const PcxImage &Picture()
{
    static const PcxImage img = bench::ToPcxImage(bench::NoiseImage(kSide, kSide));
    return img;
}

// Pairs of equal entries and runs of near ones, so that every merge has
// work to do.
PalletArray SomePallet()
{
    PalletArray p{};
    for (int i = 0; i < 256; ++i)
        p[std::size_t(i)].set(quint8(i / 2 * 2), quint8(i * 3 / 4), quint8(255 - i / 2));
    return p;
}

const char *const kItems[] = {"duplicates", "similar 2", "unused to end", "hue",
                              "lightness",  "chroma",    "usage",         "reduce 16"};

Tidied Run(int item, const PalletArray &p, const UsageCounts &usage)
{
    switch (item) {
    case 0:
        return MergeDuplicates(p, 0, 0);
    case 1:
        return MergeSimilar(p, usage, 0, 0, 2);
    case 2:
        return UnusedToEnd(p, usage, 0, 0);
    case 7:
        return ReduceEntries(p, usage, 0, 0, 16);
    default:
        return SortEntries(p, usage, 0, 0, TidyKey(item - 3));
    }
}

void BM_Copy(benchmark::State &state)
{
    const PixelBuffer &pixels = Picture().pixels;
    PixelBytes out = AllocatePixels(pixels.size());
    for (auto _ : state) {
        std::memcpy(out.get(), pixels.data(), pixels.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);

// The same into new memory, as every renumbering writes.
void BM_CopyFresh(benchmark::State &state)
{
    const PixelBuffer &pixels = Picture().pixels;
    for (auto _ : state) {
        PixelBytes out = AllocatePixels(pixels.size());
        std::memcpy(out.get(), pixels.data(), pixels.size());
        benchmark::DoNotOptimize(out.get());
    }
}
BENCHMARK(BM_CopyFresh)->Unit(benchmark::kMillisecond);

// The two passes an item may take: the usage count, and one look-up a pixel
// into a new buffer.
void BM_Count(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(CountUsage(Picture()));
}
BENCHMARK(BM_Count)->Unit(benchmark::kMillisecond);

void BM_Lookup(benchmark::State &state)
{
    const ValueMap values = StoredValueMap(ReverseMap(0, 255));
    for (auto _ : state) {
        auto after = RemapStored(Picture().pixels, values);
        benchmark::DoNotOptimize(after->data());
    }
}
BENCHMARK(BM_Lookup)->Unit(benchmark::kMillisecond);

// As palmiro-tool runs an item, counting first; as the window runs it, with
// its counts current: the renumbering alone.
void TidyItem(benchmark::State &state, bool counted)
{
    const int item = int(state.range(0));
    const PalletArray pallet = SomePallet();
    const UsageCounts known = CountUsage(Picture());
    for (auto _ : state) {
        const Tidied tidied = Run(item, pallet, counted ? CountUsage(Picture()) : known);
        RemapUndo undo;
        auto after = RemapKeeping(Picture().pixels, StoredValueMap(tidied.to), undo);
        benchmark::DoNotOptimize(after->data());
    }
    state.SetLabel(kItems[item]);
}
void BM_Tidy(benchmark::State &state)
{
    TidyItem(state, true);
}
BENCHMARK(BM_Tidy)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
void BM_TidyKnown(benchmark::State &state)
{
    TidyItem(state, false);
}
BENCHMARK(BM_TidyKnown)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

// Undo: the values back; the counts from before are kept with the step.
void BM_TidyUndo(benchmark::State &state)
{
    const int item = int(state.range(0));
    const Tidied tidied = Run(item, SomePallet(), CountUsage(Picture()));
    RemapUndo undo;
    const PixelBuffer after = *RemapKeeping(Picture().pixels, StoredValueMap(tidied.to), undo);
    for (auto _ : state) {
        auto before = RemapBack(after, undo);
        benchmark::DoNotOptimize(before->data());
    }
    // What the step holds to be undone, beside the picture's bytes.
    std::size_t held = 0;
    for (std::size_t bytes : undo.kept)
        held += bytes;
    state.counters["held/pixels"] = double(held) / double(after.size());
    state.SetLabel(kItems[item]);
}
BENCHMARK(BM_TidyUndo)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
