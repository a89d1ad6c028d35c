#pragma once

#include "convert/Nearest.h"

#include <cstdint>

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

// entries: the picture's entries, each one of the candidates'; changed in place.
void Refine(const std::uint8_t *rgba, int width, int height, const Candidates &candidates,
            const RefineOptions &options, std::uint8_t *entries);
