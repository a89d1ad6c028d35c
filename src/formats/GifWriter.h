#pragma once

#include "model/Cycling.h"
#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QByteArray>

#include <optional>

// GIF files written so that file index i is entry i (stored value v is
// index 255 - v). Empty when the picture does not fit a GIF or encoding fails.

// One frame under the palette as a global table, with the cycling ranges in
// GrafX2's application extension when there are any.
std::optional<QByteArray> EncodeGif(const PcxImage &image, const PalletArray &pallet,
                                    const CycleRanges &cycles);

// The frames of a cycle over the same pixels, each with the rotated palette
// as a table of its own, looping for ever. Every frame repeats the pixels, so
// an animation past kMaxCycleGifBytes is refused rather than built.
constexpr qint64 kMaxCycleGifBytes = qint64(1) << 30;
std::optional<QByteArray> EncodeCycleGif(const PcxImage &image, const PalletArray &pallet,
                                         const CycleRanges &cycles, const CycleFrames &frames);
