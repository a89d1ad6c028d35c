#pragma once

// The palette maker's steps, for the makers built on them. A centre list may
// begin with `fixed` centres that never move: colours a palette must keep,
// which still draw the pixels nearest them.

#include "convert/Histogram.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class Progress;

// Passes of the refinement: more of either gains less than 0.5 % on photographs.
constexpr int kMeanPasses = 10, kMedianPasses = 10;

// Boxes split where the two halves' summed squared error is least, the box of
// most error first: the means of the boxes seed the refinement. Reorders points.
std::vector<Vec3> SplitBoxes(std::vector<Weighted> &points, int n);

// Lloyd's passes weighted by the counts; an emptied centre moves to the
// point that costs the most. The later passes weigh each point by the inverse
// of its distance (Weiszfeld's step), which moves a centre towards its
// cluster's geometric median: the figure that counts is the mean distance,
// not the mean squared one.
// Each pass tells `progress` of a share of `units`; those of passes left out when
// the means settle early go with the last.
std::vector<Vec3> RefineCentres(const std::vector<Weighted> &points, std::vector<Vec3> centres,
                                int meanPasses, int medianPasses, Progress *progress = nullptr,
                                std::int64_t units = 0, std::size_t fixed = 0);

// Spots given entries of their own and the rest made again around them, as
// long as the rest pays little for it.
std::vector<Vec3> KeepSpots(std::vector<Weighted> &points, std::vector<Vec3> centres,
                            std::size_t fixed = 0);

// Dark to light, as a pixel artist reads a palette; equal lightness by a, then b, so that the
// order never depends on how the colours were found.
void OrderByLightness(std::vector<Rgb8> &colours);
