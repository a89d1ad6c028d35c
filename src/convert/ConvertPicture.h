#pragma once

#include "convert/Dither.h"
#include "model/EntryList.h"

#include <array>
#include <cstdint>
#include <vector>

// Where a picture's colours go.
struct ConvertTarget {
    enum class Kind { Whole, NewPalette, Range } kind = Kind::Whole;
    // NewPalette: `count` colours written from entry `first` on (as many as fit), past the
    // transparent entry. Range: the entries first..last, either order.
    int first = 0;
    int last = 255;
    int count = 256;
    // Locked entries keep their colour, a new palette made around them; reserved ones are
    // never taken. NewPalette then spans first..first+count-1.
    EntryMarks marks{};
};

inline bool operator==(const ConvertTarget &a, const ConvertTarget &b)
{
    return a.kind == b.kind && a.first == b.first && a.last == b.last && a.count == b.count &&
           a.marks == b.marks;
}

// The palette a target makes for a picture and the entries the picture may take.
struct TargetPalette {
    std::array<Rgb8, 256> palette{};
    Candidates candidates;
    // A new palette holding exactly the picture's colours: dithering would only move pixels off
    // them.
    bool exact = false;
    // Entries whose colour nothing may change, levels included.
    EntrySet locked;
};

// No candidates when a new palette cannot be made. transparentEntry (or -1): the entry
// transparent pixels take. It is no candidate, so that no opaque pixel takes it even where
// its colour is the pixel's own, and keeps its colour; a new palette leaves the transparent
// pixels out. progress: told of TargetUnits; a target made when it was stopped has no
// candidates.
TargetPalette MakeTarget(const std::uint8_t *rgba, int width, int height,
                         const std::array<Rgb8, 256> &palette, const ConvertTarget &target,
                         int transparentEntry, Progress *progress = nullptr);
std::int64_t TargetUnits(int width, int height, const ConvertTarget &target);

struct Levels;
// The target's candidates moved to the levels hardware can show: a picture
// then only takes colours the palette may hold.
void SnapTarget(TargetPalette &target, const Levels &levels);

struct ConvertedPicture {
    // The palette the picture is drawn through: the given one, or with the new
    // entries written.
    std::array<Rgb8, 256> palette{};
    // Entry of each pixel, row after row; empty when nothing could be converted.
    std::vector<std::uint8_t> entries;
};

// An RGBA picture (rows of width * 4 bytes) onto a target made for it.
ConvertedPicture ConvertPicture(const std::uint8_t *rgba, int width, int height,
                                const TargetPalette &target, RemapOptions options);
