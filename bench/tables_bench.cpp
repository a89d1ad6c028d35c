// Light and blend tables for 8-bit engines: the time of a 32-level shade
// table and a 256 x 256 translucency table, OKLab beside the classic rule
// searched naively; then, after the timings, how far each table's colours
// are from the colours they stand for (mean CIEDE2000 over every entry and
// level, against both ideals: darkened as light, and darkened in plain RGB).
//
// Palettes: Freedoom's PLAYPAL (Debian package freedoom, BSD-3-Clause),
// Dink Smallwood's game palette, which its tile sheets share (Debian package
// freedink-data, zlib licence; scripts/setup installs both), and VGA's
// default palette from the shared test data.

#include "convert/EngineTables.h"
#include "formats/ActFile.h"
#include "model/Ciede2000.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<EnginePalette> FromRgb(const QByteArray &rgb)
{
    if (rgb.size() < 768)
        return std::nullopt;
    EnginePalette p;
    for (int e = 0; e < 256; ++e)
        p[std::size_t(e)] = {quint8(rgb[3 * e]), quint8(rgb[3 * e + 1]), quint8(rgb[3 * e + 2])};
    return p;
}

std::optional<EnginePalette> Freedoom()
{
    QFile f(QStringLiteral("/usr/share/games/doom/freedoom2.wad"));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString why;
    const std::optional<QByteArray> lump = WadLump(f.readAll(), "PLAYPAL", why);
    return lump ? FromRgb(*lump) : std::nullopt;
}

std::optional<EnginePalette> Vga()
{
    const PaletteRead read =
        ReadPaletteAt(QStringLiteral(PALMIRO_TESTDATA "/palettes/lsp_vga-13h.gpl"));
    QByteArray rgb = read.rgb;
    rgb.resize(768, '\0');
    return read.ok() ? FromRgb(rgb) : std::nullopt;
}

std::optional<EnginePalette> Dink()
{
    const PaletteRead read =
        ReadPaletteAt(QStringLiteral("/usr/share/games/dink/dink/Tiles/Ts01.bmp"));
    return read.ok() && read.rgb.size() >= 768 ? FromRgb(read.rgb) : std::nullopt;
}

// Freedoom's when installed, else VGA's.
const EnginePalette &Timed()
{
    static const EnginePalette p = Freedoom().value_or(Vga().value_or(EnginePalette{}));
    return p;
}

void BM_OklabTables(benchmark::State &state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(ShadeRows(Timed(), {}).data());
        benchmark::DoNotOptimize(BlendTable(Timed(), {}).data());
    }
}
BENCHMARK(BM_OklabTables)->Unit(benchmark::kMillisecond);

void BM_ClassicTables(benchmark::State &state)
{
    ShadeSettings s;
    s.match = TableMatch::Classic;
    BlendSettings b;
    b.match = TableMatch::Classic;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ShadeRows(Timed(), s).data());
        benchmark::DoNotOptimize(BlendTable(Timed(), b).data());
    }
}
BENCHMARK(BM_ClassicTables)->Unit(benchmark::kMillisecond);

double SrgbToLinear(double v)
{
    v /= 255;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// Mean CIEDE2000 of a table's 32 levels against an ideal: darkened as light
// (the level's share to the power 2.2 of linear light) or in plain RGB.
double MeanError(const EnginePalette &p, const TableRows &rows, bool asLight)
{
    double sum = 0;
    for (int i = 0; i < 32; ++i)
        for (int e = 0; e < 256; ++e) {
            const Rgb8 c = p[std::size_t(e)];
            const double f = (32 - i) / 32.0;
            const Vec3 lin = LinearOf(c);
            const double w = std::pow(f, 2.2);
            const Lab ideal = asLight ? LabOfLinear(lin.x * w, lin.y * w, lin.z * w)
                                      : LabOfLinear(SrgbToLinear(c.r * f), SrgbToLinear(c.g * f),
                                                    SrgbToLinear(c.b * f));
            sum += Ciede2000(ideal, LabOf(p[rows[std::size_t(i * 256 + e)]]));
        }
    return sum / (32 * 256);
}

// With the last 32 entries fullbright, as Quake's palette has them: how many
// shades of the other entries, either match, fall on one of them.
int FullbrightTaken(const EnginePalette &p)
{
    int taken = 0;
    for (const TableMatch m : {TableMatch::Oklab, TableMatch::Classic}) {
        ShadeSettings s;
        s.match = m;
        for (int e = 224; e < 256; ++e)
            s.fullbright.set(std::size_t(e));
        const TableRows rows = ShadeRows(p, s);
        for (std::size_t k = 0; k < rows.size(); ++k)
            taken += k % 256 < 224 && rows[k] >= 224;
    }
    return taken;
}

// Printed, and with PALMIRO_TABLES_QUALITY set also kept as JSON for bench/run's table.
void Quality(const char *name, const std::optional<EnginePalette> &p, std::string &json)
{
    if (!p) {
        std::printf("%-10s  (not found, skipped)\n", name);
        return;
    }
    ShadeSettings classic;
    classic.match = TableMatch::Classic;
    const TableRows ok = ShadeRows(*p, {}), cl = ShadeRows(*p, classic);
    const double e[] = {MeanError(*p, ok, true), MeanError(*p, cl, true), MeanError(*p, ok, false),
                        MeanError(*p, cl, false)};
    const int taken = FullbrightTaken(*p);
    std::printf("%-10s  %12.3f  %12.3f  %12.3f  %12.3f  %10d\n", name, e[0], e[1], e[2], e[3],
                taken);
    char line[240];
    std::snprintf(line, sizeof line,
                  "%s\"%s\": {\"oklab/light\": %.4f, \"classic/light\": %.4f, "
                  "\"oklab/rgb\": %.4f, \"classic/rgb\": %.4f, \"fullbright taken\": %d}",
                  json.empty() ? "" : ", ", name, e[0], e[1], e[2], e[3], taken);
    json += line;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nmean CIEDE2000, 32 levels x 256 entries\n");
    std::printf("%-10s  %12s  %12s  %12s  %12s  %10s\n", "palette", "oklab/light", "classic/light",
                "oklab/rgb", "classic/rgb", "fullbright");
    std::string json;
    Quality("freedoom", Freedoom(), json);
    Quality("dink", Dink(), json);
    Quality("vga", Vga(), json);
    if (const char *path = std::getenv("PALMIRO_TABLES_QUALITY"))
        if (std::FILE *f = std::fopen(path, "w")) {
            std::fprintf(f, "{%s}\n", json.c_str());
            std::fclose(f);
        }
    return 0;
}
