#pragma once

#include "convert/ConvertPicture.h"
#include "model/Cycling.h"

// The target of a conversion kept off the entries of the ranges that are on,
// which would make the picture flicker: onto the palette they are no
// candidates; a new palette's colours go to the entries from S on that do
// not turn, as many as there are, past the transparent entry.
TargetPalette MakeTargetOffCycles(const std::uint8_t *rgba, int width, int height,
                                  const std::array<Rgb8, 256> &palette, ConvertTarget target,
                                  int transparentEntry, const CycleRanges &ranges,
                                  Progress *progress = nullptr);
