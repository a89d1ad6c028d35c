#pragma once

#include "convert/Dither.h"

// Whether a dithering is error diffusion, the kind Diffuse does.
bool Diffuses(Dither d);

// Error diffusion of an RGBA picture onto tidy candidates (sorted, each entry
// once), followed by the refinement where Refines says so; one byte a pixel
// into out.
void Diffuse(const std::uint8_t *rgba, int width, int height, const Candidates &tidy,
             const RemapOptions &o, std::uint8_t *out);
