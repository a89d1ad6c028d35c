#pragma once

#include "convert/Refine.h"

#include <cstdint>
#include <memory>

// The refinement's work, a tile at a time: each tile's pixels change with
// the entries within reach around it fixed, so tiles that share no pixel
// within reach can be refined at once, and tiles that do must be refined in
// a fixed order for the same result on any machine.
class TileRefiner {
public:
    static constexpr int kTile = 128;
    // How far a change's effect on the error seen reaches, in pixels.
    static constexpr int kReach = 3;

    // threads: how many threads call refine at once, each with its own number.
    TileRefiner(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
                const RefineOptions &options, std::uint8_t *entries, int threads);
    ~TileRefiner();
    TileRefiner(const TileRefiner &) = delete;
    TileRefiner &operator=(const TileRefiner &) = delete;

    // Tile (tx, ty), on planes kept for the thread from tile to tile; returns
    // how many pixels it holds.
    std::int64_t refine(int thread, int tx, int ty);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};
