#pragma once

// Ordered dithering: a Bayer matrix spreads each pixel before its nearest
// candidate is looked up, so rows need nothing from each other.
#include "convert/Dither.h"

#include <cstdint>
#include <vector>

// The ordered matrix of a Bayer size (2, 4 or 8), row by row; empty for others.
std::vector<int> BayerMatrix(int size);

// A typical gap between neighbouring candidates: the ordered pattern spreads
// a pixel over about that much so that it can reach the next entry.
float TypicalGap(const NearestFinder &finder);

// Rows y0..y1-1 only: bands of rows are independent.
void RemapOrdered(const std::uint8_t *rgba, int width, int y0, int y1, const Candidates &candidates,
                  NearestFinder &finder, float gap, const RemapOptions &o, std::uint8_t *out);
