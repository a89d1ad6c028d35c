#pragma once

#include "app/IniReader.h"
#include "app/MessageCatalog.h"
#include "formats/PcxHeader.h"
#include "model/Cycling.h"
#include "model/PalletEntry.h"
#include "model/PcxImage.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

// The state that more than one routine shares, for the whole run. What the
// windows show (palette, selection, picture, cycling ranges) the document
// holds; these names read through to it.
namespace mdlGlobal {

extern PalletArray &Pallet;
extern qint16 &SelectedPalletID;
// -1, or the entry whose pixels a running search shows.
extern qint32 &SearchPalletID;

// The raw bytes the palette was last built from, and how many of them count.
extern QByteArray ActFileBytes;
extern qint64 ActFileLen;

extern QByteArray PcxFileBytes;
extern qint64 PcxFileLen;
extern ::PcxHeader PcxHeader;
// The decoded stream; PcxImage is a view of the same bytes.
extern PixelBuffer &PcxDecodedBytes;
extern ::PcxImage &PcxImage;
// Names the picture shown (see NewPictureNumber): what refers to one
// picture's values checks it.
extern quint64 PcxImagesDecoded;
// The entry a converted picture gave its transparent pixels, which an
// exported PNG marks transparent; it belongs to that picture's number only.
struct TransparentMark {
    quint64 picture = 0;
    int entry = -1;
};
extern TransparentMark PcxTransparent;

// The file the picture shown came from, the folder and name its save dialogs offer; empty
// for none.
extern QString PcxFilePath;

// The Convert dialog as it was last closed, kept for the run. paletteFile: the palette file
// open then; another opened since brings the target back to the working palette.
struct ConvertSettings {
    int target = 1, count = 256, first = 0, last = 255, distance = 0, dither = 1, strength = 100,
        transparent = -1;
    bool serpentine = true, refine = true, keepCycles = true;
    quint64 paletteFile = 0;
};
extern ConvertSettings ConvertChoices;
// Numbers each palette file opened, 0 before the first.
extern quint64 PaletteFileOpened;

extern std::vector<PalletEntry> ClipPallet;
// The colour cycling ranges, kept with the palette's history.
extern CycleRanges &Cycles;

extern quint8 InitColorR;
extern quint8 InitColorG;
extern quint8 InitColorB;
// 0 False, -1 True.
extern qint16 InitCancel;

// Twips.
extern qint32 MainWindowLeft;
extern qint32 MainWindowTop;

extern QString SettingsFilePath;
// The settings file as LoadSettingsFile read it; empty without one.
extern ProfileFile SettingsValues;
extern MessageCatalog Catalog;

// Back to the values the process starts with (all zero, empty), so that
// tests can start clean.
void ResetSharedState();

// A settings file is a few kilobytes; a larger one is not read.
constexpr qint64 kMaxSettingsBytes = 1024 * 1024;

// Reads the settings file at SettingsFilePath, once, for ReadSetting. False
// when there is one but it is not a regular file of at most
// kMaxSettingsBytes: a pipe or a device could block or never end. Then, as
// without a file or with one that cannot be read, every setting keeps its
// default.
bool LoadSettingsFile();

// The value of a key in the settings file as loaded, or the default.
QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue);

constexpr qint16 kTrue = -1;
constexpr qint16 kFalse = 0;

} // namespace mdlGlobal
