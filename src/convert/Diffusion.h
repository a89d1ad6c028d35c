#pragma once

#include "convert/Dither.h"

// Error diffusion runs down a tall picture in bands of this many rows, which
// threads can take apart: the same bands, so the same result, on any machine.
constexpr int kBandRows = 512;
// Each band first diffuses this many rows above it from no error without
// writing them, so that its top row meets error as it would inside one pass
// and shows no seam. A row's parity sets the way a serpentine scan goes.
constexpr int kPrimeRows = 32;

// Whether a dithering is error diffusion, the kind Diffuse does.
bool Diffuses(Dither d);

// Error diffusion of an RGBA picture onto tidy candidates (sorted, each entry
// once), followed by the refinement where Refines says so; one byte a pixel
// into out.
void Diffuse(const std::uint8_t *rgba, int width, int height, const Candidates &tidy,
             const RemapOptions &o, std::uint8_t *out);
