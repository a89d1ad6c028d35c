#include "convert/Refine.h"

#include "convert/RefineTile.h"

#include "base/Progress.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

// Tiles are done in four rounds by their place: two apart in each direction,
// tiles share no pixel within reach. A tile then waits for its neighbours of
// earlier rounds, and for the rows within its reach.
struct Refinement::Impl {
    Impl(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
         const RefineOptions &options, std::uint8_t *entries, int makers)
        : tiles(rgba, width, height, candidates, options, entries, options.threads), height(height),
          progress(options.progress), across((width + kTile - 1) / kTile),
          down((height + kTile - 1) / kTile), makers(makers), rows(std::size_t(height), false),
          missing(std::size_t(down)), waiting(std::size_t(across) * std::size_t(down), 0)
    {
        for (int ty = 0; ty < down; ++ty)
            missing[std::size_t(ty)] = reachEnd(ty) - reachBegin(ty);
        for (int ty = 0; ty < down; ++ty)
            for (int tx = 0; tx < across; ++tx)
                forNeighbours(tx, ty, [&](int nx, int ny) {
                    waiting[index(tx, ty)] += round(nx, ny) < round(tx, ty);
                });
    }

    static constexpr int kTile = TileRefiner::kTile, kReach = TileRefiner::kReach;
    static int round(int tx, int ty) { return ty % 2 * 2 + tx % 2; }
    std::size_t index(int tx, int ty) const
    {
        return std::size_t(ty) * std::size_t(across) + std::size_t(tx);
    }
    int reachBegin(int ty) const { return std::max(0, ty * kTile - kReach); }
    int reachEnd(int ty) const { return std::min(height, (ty + 1) * kTile + kReach); }
    template <class F> void forNeighbours(int tx, int ty, const F &f) const
    {
        for (int ny = std::max(0, ty - 1); ny <= std::min(down - 1, ty + 1); ++ny)
            for (int nx = std::max(0, tx - 1); nx <= std::min(across - 1, tx + 1); ++nx)
                if (nx != tx || ny != ty)
                    f(nx, ny);
    }
    // Under the lock.
    void offer(int tx, int ty)
    {
        if (missing[std::size_t(ty)] == 0 && waiting[index(tx, ty)] == 0)
            queue.insert(index(tx, ty));
    }

    TileRefiner tiles;
    const int height;
    Progress *const progress;
    const int across, down;
    std::mutex lock;
    std::condition_variable changed;
    int makers;
    std::vector<bool> rows;      // final
    std::vector<int> missing;    // of each row of tiles, rows within reach not yet final
    std::vector<int> waiting;    // of each tile, neighbours of earlier rounds not yet done
    std::set<std::size_t> queue; // tiles ready, the topmost first
    std::size_t done = 0;
    int running = 0;
};

Refinement::Refinement(const std::uint8_t *rgba, int width, int height,
                       const Candidates &candidates, const RefineOptions &options,
                       std::uint8_t *entries, int makers)
    : d_(new Impl(rgba, width, height, candidates, options, entries, makers))
{
}

Refinement::~Refinement() = default;

void Refinement::ready(int y0, int y1)
{
    Impl &d = *d_;
    const std::lock_guard<std::mutex> hold(d.lock);
    for (int y = std::max(0, y0); y < std::min(d.height, y1); ++y) {
        if (d.rows[std::size_t(y)])
            continue;
        d.rows[std::size_t(y)] = true;
        for (int ty = std::max(0, (y - Impl::kReach) / Impl::kTile - 1);
             ty < d.down && d.reachBegin(ty) <= y; ++ty)
            if (y < d.reachEnd(ty) && --d.missing[std::size_t(ty)] == 0)
                for (int tx = 0; tx < d.across; ++tx)
                    d.offer(tx, ty);
    }
    d.changed.notify_all();
}

void Refinement::made()
{
    const std::lock_guard<std::mutex> hold(d_->lock);
    --d_->makers;
    d_->changed.notify_all();
}

void Refinement::work(int thread)
{
    Impl &d = *d_;
    const std::size_t all = std::size_t(d.across) * std::size_t(d.down);
    std::unique_lock<std::mutex> hold(d.lock);
    while (d.done < all && !Stopped(d.progress)) {
        if (d.queue.empty()) {
            // Nothing more can come: rows were left unmade.
            if (d.makers == 0 && d.running == 0)
                break;
            d.changed.wait(hold);
            continue;
        }
        const std::size_t t = *d.queue.begin();
        d.queue.erase(d.queue.begin());
        ++d.running;
        const int tx = int(t % std::size_t(d.across)), ty = int(t / std::size_t(d.across));
        hold.unlock();
        Add(d.progress, d.tiles.refine(thread, tx, ty));
        hold.lock();
        ++d.done;
        --d.running;
        d.forNeighbours(tx, ty, [&](int nx, int ny) {
            if (Impl::round(nx, ny) > Impl::round(tx, ty) && --d.waiting[d.index(nx, ny)] == 0)
                d.offer(nx, ny);
        });
        d.changed.notify_all();
    }
}
