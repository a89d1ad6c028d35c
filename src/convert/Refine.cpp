#include "convert/Refine.h"

#include "shell/RunTogether.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>

namespace {

// The blur seen is a Gaussian of sigma 1; a change at one pixel moves the
// seen error by that blur applied twice: a Gaussian of variance 2.
constexpr int kReach = 6;
constexpr int kTile = 128;

struct Weights {
    std::array<float, 2 * kReach + 1> w{};
    float centre = 0; // the weight of a pixel on itself
    Weights()
    {
        float sum = 0;
        for (int i = -kReach; i <= kReach; ++i)
            sum += w[std::size_t(i + kReach)] = std::exp(-float(i * i) / 4.0f);
        for (float &v : w)
            v /= sum;
        centre = w[kReach] * w[kReach];
    }
    float at(int d) const { return w[std::size_t(d + kReach)]; }
};

struct Shared {
    const std::uint8_t *rgba;
    int width, height;
    const Candidates &candidates;
    const RefineOptions &o;
    std::uint8_t *entries;
    std::array<int, 256> position; // of each entry among the candidates, or -1
    std::vector<Vec3> colours;     // of each candidate, sRGB 0..255
    std::vector<Vec3> points;      // where the finder has them
    Weights weights;
};

inline Vec3 Bytes(const std::uint8_t *p)
{
    return {float(p[0]), float(p[1]), float(p[2])};
}

// One tile's pixels x0..x1-1, y0..y1-1, its neighbours' entries fixed.
void RefineTile(const Shared &s, NearestFinder &finder, int x0, int y0, int x1, int y1)
{
    const int w = x1 - x0, h = y1 - y0;
    const bool oklab = s.o.space == ColourSpace::Oklab;
    // The error of every pixel within reach, blurred twice over the tile.
    const int ex0 = std::max(0, x0 - kReach), ey0 = std::max(0, y0 - kReach);
    const int ex1 = std::min(s.width, x1 + kReach), ey1 = std::min(s.height, y1 + kReach);
    const int ew = ex1 - ex0, eh = ey1 - ey0;
    std::vector<Vec3> error(std::size_t(ew) * std::size_t(eh));
    const auto pos = [&](int x, int y) { return std::size_t(y) * std::size_t(s.width) + x; };
    const auto usable = [&](std::size_t i) {
        const std::uint8_t *p = s.rgba + 4 * i;
        return !(p[3] < 128 && s.o.transparentEntry >= 0) && s.position[s.entries[i]] >= 0;
    };
    for (int y = ey0; y < ey1; ++y)
        for (int x = ex0; x < ex1; ++x) {
            const std::size_t i = pos(x, y);
            if (usable(i))
                error[std::size_t(y - ey0) * ew + (x - ex0)] =
                    s.colours[std::size_t(s.position[s.entries[i]])] - Bytes(s.rgba + 4 * i);
        }
    // from: a grid `stride` wide whose point (u, v) is (x0 + u, y0 + v) less `shift`;
    // rows x columns of the result, each the weighted sum along one axis.
    const auto blur = [&](const std::vector<Vec3> &from, int stride, int limit, bool down,
                          int shift, int rows, int columns) {
        std::vector<Vec3> to(std::size_t(rows) * std::size_t(columns));
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < columns; ++x) {
                Vec3 sum{};
                for (int d = -kReach; d <= kReach; ++d) {
                    const int at = (down ? y : x) + d + shift;
                    if (at >= 0 && at < limit)
                        sum = sum + from[down ? std::size_t(at) * stride + x
                                              : std::size_t(y) * stride + at] *
                                        s.weights.at(d);
                }
                to[std::size_t(y) * columns + x] = sum;
            }
        return to;
    };
    const std::vector<Vec3> across = blur(error, ew, ew, false, x0 - ex0, eh, w);
    std::vector<Vec3> seen = blur(across, w, eh, true, y0 - ey0, h, w);
    const float centre = s.weights.centre;
    // Each pixel's own place in OKLab, met once a pass.
    std::vector<Vec3> labs;
    if (oklab)
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::uint8_t *p = s.rgba + 4 * pos(x, y);
                labs.push_back(OklabOf({p[0], p[1], p[2]}));
            }
    int hint = 0;
    for (int pass = 0; pass < s.o.passes; ++pass)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = pos(x0 + x, y0 + y);
                if (!usable(i))
                    continue;
                const Vec3 in = Bytes(s.rgba + 4 * i);
                const Rgb8 byte{s.rgba[4 * i], s.rgba[4 * i + 1], s.rgba[4 * i + 2]};
                const Vec3 &c = seen[std::size_t(y) * w + x];
                const Vec3 now = s.colours[std::size_t(s.position[s.entries[i]])];
                // The colour here that would cancel the error seen around it.
                const Vec3 ideal = now - c * (1.0f / centre);
                const OklabSlope &slope = OklabSlopeNear(byte);
                const auto far = [&](Vec3 d) {
                    return oklab ? Distance2(slope(d), Vec3{}) : Distance2(d, Vec3{});
                };
                hint = finder.find(oklab ? labs[std::size_t(y) * w + x] + slope(ideal - in) : ideal,
                                   hint);
                const Vec3 delta = s.colours[std::size_t(hint)] - now;
                if (far(delta + c * (1.0f / centre)) >= far(c * (1.0f / centre)))
                    continue;
                s.entries[i] = std::uint8_t(s.candidates[std::size_t(hint)].entry);
                for (int dy = std::max(-kReach, -y); dy <= std::min(kReach, h - 1 - y); ++dy)
                    for (int dx = std::max(-kReach, -x); dx <= std::min(kReach, w - 1 - x); ++dx) {
                        Vec3 &t = seen[std::size_t(y + dy) * w + (x + dx)];
                        t = t + delta * (s.weights.at(dx) * s.weights.at(dy));
                    }
            }
}

} // namespace

void Refine(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
            const RefineOptions &options, std::uint8_t *entries)
{
    if (candidates.empty() || width <= 0 || height <= 0 || options.passes <= 0)
        return;
    Shared s{rgba, width, height, candidates, options, entries, {}, {}, {}, {}};
    s.position.fill(-1);
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const Candidate &c = candidates[k];
        if (c.entry >= 0 && c.entry < 256 && s.position[std::size_t(c.entry)] < 0)
            s.position[std::size_t(c.entry)] = int(k);
        s.colours.push_back({float(c.colour.r), float(c.colour.g), float(c.colour.b)});
        s.points.push_back(PointOf(options.space, c.colour));
    }
    // Tiles two apart in each direction share no pixel within reach, so each
    // of four rounds works on tiles apart: the same result on any machine.
    const int across = (width + kTile - 1) / kTile, down = (height + kTile - 1) / kTile;
    for (int round = 0; round < 4; ++round) {
        std::vector<std::pair<int, int>> tiles;
        for (int ty = round / 2; ty < down; ty += 2)
            for (int tx = round % 2; tx < across; tx += 2)
                tiles.push_back({tx, ty});
        if (tiles.empty())
            continue;
        const int threads = std::clamp(options.threads, 1, int(tiles.size()));
        std::atomic<std::size_t> next{0};
        RunTogether(threads, [&](int) {
            NearestFinder finder(s.points);
            for (std::size_t t; (t = next++) < tiles.size();) {
                const auto [tx, ty] = tiles[t];
                RefineTile(s, finder, tx * kTile, ty * kTile, std::min(width, (tx + 1) * kTile),
                           std::min(height, (ty + 1) * kTile));
            }
        });
    }
}
