#pragma once

#include "convert/Nearest.h"

#include <cstdint>
#include <memory>

class Progress;

// A pixel farther than this (OKLab) from its own colour is a speck on
// screen, whatever a blur makes of it: the diffusion before the refinement
// leaves none where an entry nearer can be had, and the refinement adds none.
constexpr float kSpeck = 0.23f;

// Changes entries of a dithered picture, one pixel at a time, wherever that
// brings the picture as a person sees it nearer the original: light from
// neighbouring pixels mixes linearly, so both are blurred in linear light
// (a Gaussian of sigma 1, a normal viewing distance) and compared in OKLab
// (or plain RGB) around each pixel's colour, with each pixel's own distance
// from the picture weighed too. The error a pixel cannot reach on its own is
// spread among its neighbours, as no single pass of error diffusion can.
// Transparent pixels (alpha under 128, when they take an entry) keep it.
struct RefineOptions {
    ColourSpace space = ColourSpace::Oklab;
    int transparentEntry = -1;
    int passes = 8; // at most: they stop once nothing moves
    int threads = 1;
    // Told of each tile done, width * height units in all; stops the work early.
    Progress *progress = nullptr;
};

// The refinement runs beside the making of the entries it changes, a band
// of rows at a time: a tile is refined once the rows within its reach are
// final, in an order that gives the same result however the work is shared
// out. The threads that make the rows join in once they are done.
class Refinement {
public:
    // entries: the picture's, each one of the candidates', changed in place.
    // makers: how many threads make rows and call made() when they are done.
    Refinement(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
               const RefineOptions &options, std::uint8_t *entries, int makers);
    ~Refinement();
    Refinement(const Refinement &) = delete;
    Refinement &operator=(const Refinement &) = delete;

    // The entries of rows y0..y1-1 are final.
    void ready(int y0, int y1);
    // A thread that made rows has no more to make, done or stopped.
    void made();
    // Refines tiles as they come until none is left or the work stops; each
    // of options.threads threads calls it with its own number.
    void work(int thread);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};
