#include "app/LightView.h"

#include <algorithm>

EnginePalette EnginePaletteOf(const PalletArray &pallet)
{
    EnginePalette out{};
    for (int e = 0; e < kPalletEntries; ++e) {
        const qint32 c = pallet[std::size_t(e)].color();
        out[std::size_t(e)] = {std::uint8_t(c & 0xff), std::uint8_t((c >> 8) & 0xff),
                               std::uint8_t((c >> 16) & 0xff)};
    }
    return out;
}

void LightView::Reset()
{
    settings = {};
    level = 0;
    viewOpen = false;
    read.reset();
    madeFrom.reset();
    reportedFrom.reset();
    emit changed();
}

void LightView::SetSettings(const ShadeSettings &s)
{
    settings = s;
    settings.levels = std::clamp(settings.levels, 1, 256);
    madeFrom.reset();
    reportedFrom.reset();
    level = std::min(level, Levels() - 1);
    emit changed();
}

void LightView::SetLevel(int to)
{
    to = std::clamp(to, 0, Levels() - 1);
    if (to == level)
        return;
    level = to;
    emit changed();
}

int LightView::Levels() const
{
    return read ? std::max(1, int(read->size() / 256)) : settings.levels;
}

void LightView::SetViewOpen(bool open)
{
    if (open == viewOpen)
        return;
    viewOpen = open;
    emit changed();
}

void LightView::ShowRead(TableRows rows)
{
    read = std::move(rows);
    reportedFrom.reset();
    level = std::min(level, Levels() - 1);
    emit changed();
}

void LightView::ForgetRead()
{
    if (!read)
        return;
    read.reset();
    reportedFrom.reset();
    level = std::min(level, Levels() - 1);
    emit changed();
}

const TableRows &LightView::Table(const PalletArray &pallet)
{
    if (read)
        return *read;
    const EnginePalette now = EnginePaletteOf(pallet);
    if (!madeFrom || *madeFrom != now) {
        computed = ShadeRows(now, settings);
        madeFrom = now;
    }
    return computed;
}

PalletArray LightView::Shaded(const PalletArray &shown, const PalletArray &pallet)
{
    if (level == 0)
        return shown;
    const TableRows &rows = Table(pallet);
    const std::size_t row = std::size_t(level) * 256;
    PalletArray out = shown;
    for (std::size_t e = 0; e < 256 && row + e < rows.size(); ++e)
        out[e] = shown[rows[row + e]];
    return out;
}

const ShadeReport &LightView::Report(const PalletArray &pallet)
{
    const EnginePalette now = EnginePaletteOf(pallet);
    if (!reportedFrom || *reportedFrom != now) {
        ShadeSettings s = settings;
        // A read table's rows past the light levels (Doom's invulnerability and fade rows) are
        // no shades of it.
        if (read)
            s.levels = std::min(s.levels, Levels());
        report = ReportShades(now, Table(pallet), s);
        reportedFrom = now;
    }
    return report;
}

std::vector<std::pair<int, float>> LightView::PoorEntries(const PalletArray &pallet)
{
    const ShadeReport &r = Report(pallet);
    std::vector<std::pair<int, float>> poor;
    for (int e = 0; e < 256; ++e)
        if (r.entryWorst[std::size_t(e)] > kPoorShade)
            poor.emplace_back(e, r.entryWorst[std::size_t(e)]);
    std::stable_sort(poor.begin(), poor.end(),
                     [](const auto &a, const auto &b) { return a.second > b.second; });
    return poor;
}
