#include "convert/RefineTile.h"

#include "convert/RefineLanes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// The blur seen is a Gaussian of sigma 1; a change at one pixel moves the
// seen error by that blur applied twice: a Gaussian of variance 2, which
// three pixels out weighs a tenth of its peak. Reaching further gains
// nothing measurable on photographs and costs several times as much.
constexpr int kReach = TileRefiner::kReach;
constexpr int kSpan = 2 * kReach + 1;
// A change's rows, in two whole vectors from the one holding its first pixel
// on: changes next to each other then write the same vectors, which a
// processor forwards to the next read where overlapping ones stall it.
constexpr int kRow = 2 * kVector;
// A pixel's own distance from the picture, beside the error seen: without
// it, mixes of entries far from the pixel read as noise and specks on
// screen, though a blur finds them near. Hue counts six times lightness
// there: dots of another hue in a mix stand out (a green cast over brown
// hair with PICO-8), dots of another lightness are what dithering is.
constexpr float kOwn = 0.08f, kHue = 6.0f;
// RGB's counterpart of kSpeck.
constexpr float kSpeckRgb = 60.0f;
// A pixel moves to the best of the entries nearest its own: a move further
// than that is rare and taken over several passes. In a dense palette the
// nearest half of them does as well; a sparse one needs them all to mix
// colours that lie far apart.
constexpr std::size_t kNear = 2 * kVector, kHalf = kVector;
constexpr std::size_t kDense = 64; // candidates

struct Weights {
    std::array<float, kSpan> line{};
    alignas(sizeof(Lane)) std::array<
        float, kVector * kSpan * kRow> square{}; // by the first pixel's place in its vector
    float centre = 0;                            // the weight of a pixel on itself
    Weights()
    {
        float sum = 0;
        for (int i = -kReach; i <= kReach; ++i)
            sum += line[std::size_t(i + kReach)] = std::exp(-float(i * i) / 4.0f);
        for (float &v : line)
            v /= sum;
        for (std::size_t at = 0; at < kVector; ++at)
            for (std::size_t i = 0; i < kSpan; ++i)
                for (std::size_t j = 0; j < kSpan; ++j)
                    square[(at * kSpan + i) * kRow + at + j] = line[i] * line[j];
        centre = line[kReach] * line[kReach];
    }
};

struct Shared {
    const std::uint8_t *rgba;
    int width, height;
    const Candidates &candidates;
    const RefineOptions &o;
    std::uint8_t *entries;
    std::array<int, 256> position; // of each entry among the candidates, or -1
    std::vector<Vec3> colours;     // of each candidate, in linear light
    std::vector<Vec3> points;      // in the space distances are measured in
    // Half the squared distance from each candidate to its closest other: a
    // pixel wanting to move less than 0.7 of the way there keeps its entry
    // (as a rule of thumb: the move is weighed around the pixel). Half the
    // way can pay, but seldom does once a pixel's own distance counts, and
    // trying costs more than all else.
    std::vector<float> alone;
    // Each candidate's nearest others (in that space): their light less its
    // own and their points, kNear a candidate, padded with colours out of reach.
    std::vector<std::int16_t> near;
    std::vector<float> nearR, nearG, nearB, nearX, nearY, nearZ;
    Weights weights;
    // How much a pixel's own distance from the picture counts beside the
    // error seen, how much more its hue counts (in OKLab), and how far a
    // pixel may stray in any case (squared).
    float own = 0, hue = 1, farthest = 0;
    std::size_t tried = kNear; // of each candidate's nearest
};

// One thread's working planes, kept from tile to tile.
struct Scratch {
    std::array<std::vector<float>, 3> error, across, seen;
    // A bit a pixel to try again, a row of words a tile row, with a pixel of
    // margin all round for the marks of its edge pixels.
    std::vector<std::uint64_t> dirty;
    std::vector<std::int16_t> at;           // each tile pixel's candidate, or -1
    std::vector<const OklabSlope *> slopes; // the space's slope to light at each tile pixel
    std::vector<Vec3> origin;               // each tile pixel's own point
    std::vector<float> limit;               // how far each tile pixel may stray (squared)
    std::vector<Rgb8> shown;                // each tile pixel's colour
};

// One tile's pixels x0..x1-1, y0..y1-1, its neighbours' entries fixed.
__attribute__((target_clones("avx2", "default"))) void RefineTile(const Shared &s, Scratch &k,
                                                                  int x0, int y0, int x1, int y1)
{
    constexpr int r = kReach;
    const int w = x1 - x0, h = y1 - y0;
    const bool keyed = s.o.transparentEntry >= 0;
    // Planes a reach wider than the tile each way: the error within reach,
    // and the error seen, whose margin only takes spills of changes.
    const int pw = (w + 2 * r + kVector + kVector - 1) / kVector * kVector, ph = h + 2 * r;
    const std::size_t plane = std::size_t(pw) * std::size_t(ph);
    float *seenAt[3];
    for (std::size_t c = 0; c < 3; ++c) {
        k.error[c].assign(plane, 0.0f);
        k.across[c].resize(std::size_t(w) * std::size_t(ph));
        k.seen[c].assign(plane + kVector, 0.0f);
        void *at = k.seen[c].data();
        std::size_t room = (plane + kVector) * sizeof(float);
        seenAt[c] = static_cast<float *>(std::align(kVector * sizeof(float), plane, at, room));
    }
    k.at.resize(std::size_t(w) * std::size_t(h));
    const int dw = (w + 2 + 63) / 64;
    k.dirty.assign(std::size_t(dw) * std::size_t(h + 2), 0);
    std::uint64_t *const dirty = k.dirty.data();
    const auto mark = [dirty, dw](int x, int y) {
        dirty[std::size_t(y + 1) * std::size_t(dw) + std::size_t((x + 1) >> 6)] |=
            std::uint64_t(1) << ((x + 1) & 63);
    };
    const OklabSlope *const grid = LightSlopeGrid(s.o.space);
    k.slopes.resize(k.at.size());
    k.origin.resize(k.at.size());
    k.limit.resize(k.at.size());
    k.shown.resize(k.at.size());
    float *const er = k.error[0].data(), *const eg = k.error[1].data(),
                 *const eb = k.error[2].data();
    const int gx0 = std::max(0, x0 - r), gx1 = std::min(s.width, x1 + r);
    for (int y = 0; y < ph; ++y) {
        const int gy = y0 - r + y;
        if (gy < 0 || gy >= s.height)
            continue;
        const std::size_t line = std::size_t(gy) * std::size_t(s.width);
        for (int gx = gx0; gx < gx1; ++gx) {
            const std::uint8_t *p = s.rgba + 4 * (line + std::size_t(gx));
            const int c = keyed && p[3] < 128 ? -1 : s.position[s.entries[line + std::size_t(gx)]];
            const int x = gx - (x0 - r);
            const Rgb8 shown = OverBlack(p);
            const bool inside = y >= r && y < h + r && x >= r && x < w + r;
            if (inside) {
                const std::size_t t = std::size_t(y - r) * std::size_t(w) + std::size_t(x - r);
                k.at[t] = std::int16_t(c);
                k.slopes[t] = &OklabSlopeNear(grid, shown);
                k.shown[t] = shown;
                if (c >= 0)
                    mark(x - r, y - r);
            }
            if (c < 0)
                continue;
            const Vec3 &now = s.colours[std::size_t(c)];
            const std::size_t e = std::size_t(y) * std::size_t(pw) + std::size_t(x);
            const Vec3 light = LinearOf(shown);
            er[e] = now.x - light.x;
            eg[e] = now.y - light.y;
            eb[e] = now.z - light.z;
        }
    }
    // The diffusion left no speck: a pixel may stray as far as it put it.
    if (s.o.space == ColourSpace::Oklab)
        OklabOfColours(k.shown.data(), k.shown.size(), k.origin.data());
    else
        for (std::size_t t = 0; t < k.shown.size(); ++t)
            k.origin[t] = PointOf(s.o.space, k.shown[t]);
    for (std::size_t t = 0; t < k.at.size(); ++t)
        if (k.at[t] >= 0)
            k.limit[t] =
                std::max(s.farthest, Distance2(s.points[std::size_t(k.at[t])], k.origin[t]));
    // The blur across, then down, a sum a pixel held in a register.
    std::array<float, kSpan> wt = s.weights.line;
    for (std::size_t c = 0; c < 3; ++c) {
        const float *const from = k.error[c].data();
        float *const to = k.across[c].data();
        for (int y = 0; y < ph; ++y) {
            const float *__restrict in = from + std::size_t(y) * std::size_t(pw);
            float *__restrict out = to + std::size_t(y) * std::size_t(w);
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                for (int d = 0; d < kSpan; ++d)
                    sum += in[x + d] * wt[std::size_t(d)];
                out[x] = sum;
            }
        }
        for (int y = 0; y < h; ++y) {
            const float *__restrict in = to + std::size_t(y) * std::size_t(w);
            float *__restrict out = seenAt[c] + std::size_t(y + r) * std::size_t(pw) + r;
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                for (int d = 0; d < kSpan; ++d)
                    sum +=
                        in[std::size_t(d) * std::size_t(w) + std::size_t(x)] * wt[std::size_t(d)];
                out[x] = sum;
            }
        }
    }
    float *const sr = seenAt[0], *const sg = seenAt[1], *const sb = seenAt[2];
    const float lift = 1.0f / s.weights.centre;
    const float *const square = s.weights.square.data();
    // Held here rather than read through s and k: each entry written, a
    // byte, might alias any of them and have them read again.
    std::int16_t *const held = k.at.data();
    const OklabSlope *const *const slopes = k.slopes.data();
    const Vec3 *const origins = k.origin.data();
    const float *const limits = k.limit.data();
    const float *const alone = s.alone.data();
    const Vec3 *const points = s.points.data(), *const colours = s.colours.data();
    const std::int16_t *const nearest = s.near.data();
    const float *const nearR = s.nearR.data(), *const nearG = s.nearG.data(),
                       *const nearB = s.nearB.data(), *const nearX = s.nearX.data(),
                       *const nearY = s.nearY.data(), *const nearZ = s.nearZ.data();
    const Candidate *const candidates = s.candidates.data();
    std::uint8_t *const entries = s.entries + std::size_t(y0) * std::size_t(s.width) + x0;
    const std::size_t width = std::size_t(s.width);
    const float hue = s.hue, own = s.own;
    const bool both = s.tried > kHalf;
    bool moved = true;
    for (int pass = 0; pass < s.o.passes && moved; ++pass) {
        moved = false;
        for (int y = 0; y < h; ++y)
            for (int word = 0; word < dw; ++word) {
                std::uint64_t *const bits = dirty + std::size_t(y + 1) * std::size_t(dw) + word;
                // Marks behind the pixel tried wait for the next pass, as do
                // those of the margin; those ahead of it count in this one.
                const int lo = word ? 0 : 1, hi = std::min(64, w + 1 - 64 * word);
                std::uint64_t ahead = hi <= 0 ? 0 : (~std::uint64_t(0) >> (64 - hi)) >> lo << lo;
                for (std::uint64_t left; (left = *bits & ahead);) {
                    const int b = __builtin_ctzll(left);
                    ahead &= ~std::uint64_t(1) << b;
                    *bits &= ~(std::uint64_t(1) << b);
                    const int x = 64 * word + b - 1;
                    const std::size_t u = std::size_t(y + r) * std::size_t(pw) + std::size_t(x + r);
                    const std::size_t t = std::size_t(y) * std::size_t(w) + std::size_t(x);
                    const int now = held[t];
                    if (now < 0)
                        continue;
                    // How far this pixel would move to cancel the error seen around it.
                    const Vec3 away{sr[u] * lift, sg[u] * lift, sb[u] * lift};
                    const OklabSlope &m = *slopes[t];
                    const Vec3 step = m(away);
                    float least = Distance2(step, Vec3{});
                    if (least < alone[std::size_t(now)])
                        continue;
                    const Vec3 origin = origins[t];
                    const Vec3 d0 = points[std::size_t(now)] - origin;
                    const float strayedHue = d0.x * d0.x + hue * (d0.y * d0.y + d0.z * d0.z);
                    // Each neighbour's distance from the colour wanted, weighed
                    // as the space is around this pixel, and how far it is from
                    // the pixel itself beside how far the entry now is.
                    const std::size_t at = std::size_t(now) * kNear;
                    const float *dr = nearR + at, *dg = nearG + at, *db = nearB + at;
                    const float *px = nearX + at, *py = nearY + at, *pz = nearZ + at;
                    const float limit = limits[t];
                    const float m0 = m.r.x, m1 = m.g.x, m2 = m.b.x, m3 = m.r.y, m4 = m.g.y,
                                m5 = m.b.y, m6 = m.r.z, m7 = m.g.z, m8 = m.b.z;
                    const float sx = step.x, sy = step.y, sz = step.z;
                    const float qx = origin.x, qy = origin.y, qz = origin.z;
                    const Lane big = {1e30f, 1e30f, 1e30f, 1e30f, 1e30f, 1e30f, 1e30f, 1e30f};
                    const auto costs = [&](std::size_t j, Lane &out) {
                        const Lane r = *reinterpret_cast<const Loose *>(dr + j),
                                   g = *reinterpret_cast<const Loose *>(dg + j),
                                   bl = *reinterpret_cast<const Loose *>(db + j),
                                   ex = *reinterpret_cast<const Loose *>(px + j),
                                   ey = *reinterpret_cast<const Loose *>(py + j),
                                   ez = *reinterpret_cast<const Loose *>(pz + j);
                        const Lane a = m0 * r + m1 * g + m2 * bl + sx;
                        const Lane b = m3 * r + m4 * g + m5 * bl + sy;
                        const Lane c = m6 * r + m7 * g + m8 * bl + sz;
                        const Lane ox = ex - qx, oy = ey - qy, oz = ez - qz;
                        const Lane apart = ox * ox + oy * oy + oz * oz;
                        const Lane apartHue = ox * ox + hue * (oy * oy + oz * oz);
                        // A lone pixel far from the picture is a speck whatever the blur says.
                        const Lane cost = a * a + b * b + c * c + own * (apartHue - strayedHue);
                        out = cost + Lane((Mask)big & (apart > limit));
                    };
                    Lane low, high = Lane{} + INFINITY;
                    costs(0, low);
                    if (both)
                        costs(kHalf, high);
                    const int pick = Nearest(low, high, least);
                    if (pick < 0)
                        continue;
                    const int best = nearest[std::size_t(now) * kNear + std::size_t(pick)];
                    const Vec3 delta = colours[std::size_t(best)] - colours[std::size_t(now)];
                    moved = true;
                    held[t] = std::int16_t(best);
                    entries[std::size_t(y) * width + std::size_t(x)] =
                        std::uint8_t(candidates[std::size_t(best)].entry);
                    // It and the four beside it are tried again (itself too: from
                    // its new entry, other neighbours are in reach). The change
                    // moves the error seen further out as well, at the corners by
                    // four fifths as much, but a second look there rarely finds
                    // more and costs as much again.
                    mark(x, y);
                    mark(x - 1, y);
                    mark(x + 1, y);
                    mark(x, y - 1);
                    mark(x, y + 1);
                    const int first = x & ~(kVector - 1);
                    for (int dy = 0; dy < kSpan; ++dy) {
                        const std::size_t row =
                            std::size_t(y + dy) * std::size_t(pw) + std::size_t(first);
                        const Lane *f = reinterpret_cast<const Lane *>(
                            square + ((x - first) * kSpan + dy) * kRow);
                        Lane *lr = reinterpret_cast<Lane *>(sr + row),
                             *lg = reinterpret_cast<Lane *>(sg + row),
                             *lb = reinterpret_cast<Lane *>(sb + row);
                        for (int v = 0; v < kRow / kVector; ++v) {
                            lr[v] += delta.x * f[v];
                            lg[v] += delta.y * f[v];
                            lb[v] += delta.z * f[v];
                        }
                    }
                }
            }
    }
}

} // namespace

struct TileRefiner::Impl {
    Shared s;
    // Kept from tile to tile: fresh planes for each cost the system time.
    std::vector<Scratch> scratches;
};

TileRefiner::TileRefiner(const std::uint8_t *rgba, int width, int height,
                         const Candidates &candidates, const RefineOptions &options,
                         std::uint8_t *entries, int threads)
    : d_(new Impl{Shared{rgba, width, height, candidates, options, entries, {}, {}, {}, {}, {},
                         {},   {},    {},     {},         {},      {},      {}, 0,  1,  0},
                  std::vector<Scratch>(std::size_t(std::max(1, threads)))})
{
    Shared &s = d_->s;
    const bool oklab = options.space == ColourSpace::Oklab;
    s.own = kOwn / s.weights.centre;
    s.hue = oklab ? kHue : 1.0f;
    const float far = oklab ? kSpeck : kSpeckRgb;
    s.farthest = far * far;
    s.position.fill(-1);
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const Candidate &c = candidates[k];
        if (c.entry >= 0 && c.entry < 256 && s.position[std::size_t(c.entry)] < 0)
            s.position[std::size_t(c.entry)] = int(k);
        s.colours.push_back(LinearOf(c.colour));
        s.points.push_back(PointOf(options.space, c.colour));
    }
    const std::size_t n = s.points.size();
    s.alone.assign(n, INFINITY);
    std::vector<bool> first(n, true);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t k = 0; k < j && first[j]; ++k)
            first[j] = !(candidates[k].colour == candidates[j].colour);
    // Counted by colour: a palette padded with copies is no denser.
    s.tried = std::size_t(std::count(first.begin(), first.end(), true)) >= kDense ? kHalf : kNear;
    std::vector<std::pair<float, int>> others;
    for (std::size_t i = 0; i < n; ++i) {
        others.clear();
        // A colour is a neighbour once, by its first entry, and no entry of
        // the pixel's own colour is one: a palette padded with black would
        // fill every list with copies.
        for (std::size_t j = 0; j < n; ++j)
            if (first[j] && !(candidates[j].colour == candidates[i].colour))
                others.push_back({Distance2(s.points[i], s.points[j]), int(j)});
        const std::size_t kept = std::min<std::size_t>(kNear, others.size());
        std::partial_sort(others.begin(), others.begin() + std::ptrdiff_t(kept), others.end());
        if (!others.empty())
            s.alone[i] = others[0].first * 0.5f;
        for (std::size_t j = 0; j < kNear; ++j) {
            const bool real = j < kept;
            s.near.push_back(std::int16_t(real ? others[j].second : int(i)));
            const Vec3 light = real ? s.colours[std::size_t(others[j].second)] - s.colours[i]
                                    : Vec3{1e18f, 1e18f, 1e18f};
            s.nearR.push_back(light.x);
            s.nearG.push_back(light.y);
            s.nearB.push_back(light.z);
            const Vec3 at = real ? s.points[std::size_t(others[j].second)] : s.points[i];
            s.nearX.push_back(at.x);
            s.nearY.push_back(at.y);
            s.nearZ.push_back(at.z);
        }
    }
}

TileRefiner::~TileRefiner() = default;

std::int64_t TileRefiner::refine(int thread, int tx, int ty)
{
    const Shared &s = d_->s;
    const int x0 = tx * kTile, y0 = ty * kTile;
    const int x1 = std::min(s.width, x0 + kTile), y1 = std::min(s.height, y0 + kTile);
    RefineTile(s, d_->scratches[std::size_t(thread)], x0, y0, x1, y1);
    return std::int64_t(x1 - x0) * (y1 - y0);
}
