#pragma once

#include "base/FileBytes.h"
#include "convert/SharedPalette.h"
#include "convert/TrueColour.h"
#include "formats/ImageExport.h"
#include "model/Levels.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A picture file opened to be converted: a truecolour one's rows as they
// are decoded, or the whole picture as RGBA.
struct PictureFile {
    QByteArray file;
    std::unique_ptr<TrueColourRows> rows;
    QImage whole;
    int width() const { return rows ? rows->width() : whole.width(); }
    int height() const { return rows ? rows->height() : whole.height(); }
};

// A picture of any kind, or why not (in English, for a line after its
// name). PCX and indexed BMP through the editor's readers, drawn through
// their palette; GIF through Qt's reader, which keeps its transparency, and
// the editor's when that one fails.
std::optional<PictureFile> OpenPicture(const QString &path, QString &why);

// A palette pictures are converted onto, and the entries they may take.
struct PictureTarget {
    PalletArray pallet{};
    Candidates candidates;
};

// How a picture file is converted: onto `fixed` when given, else onto a
// palette made for the picture, around `goal`'s locked and reserved entries
// when given, else of `colours` new ones from entry `first` on.
struct PictureJob {
    RemapOptions remap; // its progress hears of the whole conversion
    const PictureTarget *fixed = nullptr;
    const PaletteGoal *goal = nullptr;
    int first = 0, colours = 256;
    Levels levels;
    std::bitset<256> unsnapped; // entries the levels leave alone
    ExportFormat format = ExportFormat::Png;
    // The colour table's length; 0: up to the highest entry used.
    int tableEntries = 0;
};

// The picture at `in` converted and written to `out` as an indexed picture;
// else the reason, as a line naming the file at fault.
QString ConvertPictureFile(const QString &in, const QString &out, const PictureJob &job);

// The candidates and the entries they name snapped to the levels, but for
// those in `keep`.
void SnapCandidates(const Levels &levels, PalletArray &pallet, Candidates &candidates,
                    const std::bitset<256> &keep = {});

// Why a file could not be written, naming the folder that is not there.
QString WriteProblemText(const QString &path, const FileError &error);

// The colours of many picture files into `tally`, `jobs` at once, each
// picture decoded band by band where its kind allows. starting(i) is called
// as file i starts, on its thread. Each file's reason when it could not be
// counted (empty when it was), or nothing left uncounted when stopped.
// progress: told of one unit a file.
std::vector<QString> TallyPictureFiles(const QStringList &files, ColourTally &tally, int jobs,
                                       bool skipTransparent, Progress *progress = nullptr,
                                       const std::function<void(int)> &starting = {});
