#pragma once

#include "base/FileAccess.h"

#include <QString>

#include <array>
#include <functional>
#include <utility>

// The texts the settings file may replace, each with a built-in default.
struct MessageCatalog {
    QString UiFontName;
    QString MsgOver255;
    QString MsgPcxUnsupported;
    QString MsgEnterNumber;
    // The whole zoom range message; by default "100～400" and MsgEnterNumber.
    QString MsgZoomRange;
    QString MsgExitConfirm;
    QString MsgPasteRangeSep;
    QString MsgPasteRewrite;
    QString MsgPasteConfirm;
    QString TitleMain;
    QString TitleScreen;
    QString TitlePallet;
    QString CaptionClipFrame;
    QString CaptionCopy;
    QString CaptionPaste;
    QString MsgInitPallet;
    QString MsgSearchShown;
    QString MsgSearchReturn;

    // File formats, export and the desktop (section FORMATS).
    QString MsgPaletteBroken;
    QString MsgPaletteSaveFailed;
    QString MsgImageNotIndexed;
    QString MsgImageUnreadable;
    QString MsgImageSaveFailed;
    QString MsgFileNotFound;
    QString MenuSaveImage;
    QString MenuCopyImage;
    QString MenuFitWindow;
    QString TitleSaveImage;
    // Why a picture was refused, beside MsgImageNotIndexed and MsgImageUnreadable.
    QString MsgImageTruncated;
    QString MsgImageTooLarge;
    QString MsgImageEmpty;
    QString MsgImageUnsupported;

    // What keeps a file from being read or written (section FILES); the
    // missing file is MsgFileNotFound.
    QString MsgFileIsFolder;
    QString MsgFileIsPipe;
    QString MsgFileIsDevice;
    QString MsgFileIsSocket;
    QString MsgFileNoPermission;
    QString MsgFileReadError;
    QString MsgFileWriteError;
    // A settings file that is not read (%1 its path): one line at start-up.
    QString MsgSettingsIgnored;

    // The palette window's context menu, section PALETTE_TOOLS. %1 is the
    // selected entry S, %2 the entry right-clicked T.
    QString MenuRampRgb;
    QString MenuRampHsv;
    QString MenuSwap;
    QString MenuSwapRemap;
    QString MenuReverse;
    QString MenuReverseRemap;
    QString MenuEditColour;
    QString MenuCopyHex;
    QString MenuPasteHex;
    QString MenuMarkUnused;
    // Entries S..T locked, reserved, or neither.
    QString MenuLockEntries;
    QString MenuReserveEntries;
    QString MenuClearMarks;
    // %1 entry, %2 %3 %4 red, green, blue, %5 pixels drawn through it.
    QString TipUsage;

    // "Palette from pictures" (section SET). %1 and %2 of FromMarks: the
    // locked and reserved entries; %1 and %2 of FromUnreadable: the file's
    // name and why.
    QString MenuFromPictures;
    QString TitleFromPictures;
    QString FromAdd;
    QString FromAddTitle;
    QString FromRemove;
    QString FromCount;
    QString FromWeight;
    QString FromWeights;
    QString FromMarks;
    QString FromNoEntries;
    QString FromNoPictures;
    QString FromUnreadable;
    QString ProgressMakingPalette;
    QString FromConvertSet;
    QString FromFolderTitle;
    QString ProgressConvertingSet;

    // The Convert dialog and the screen window's item that opens it (section
    // CONVERT). The lists are items separated by "|".
    QString MenuConvert;
    QString TitleConvert;
    QString CaptionConvertTarget;
    QString ConvertTargets;
    QString CaptionConvertCount;
    QString CaptionConvertFirst;
    QString CaptionConvertLast;
    QString CaptionConvertDistance;
    QString ConvertDistances;
    QString CaptionConvertDither;
    QString ConvertDithers;
    QString CaptionConvertStrength;
    QString CaptionConvertSerpentine;
    QString CaptionConvertTransparent;
    QString CaptionConvertRefine;
    QString ConvertNoTransparent;
    // Over a progress bar: a picture being read, or converted.
    QString ProgressReading;
    QString ProgressConverting;

    // Hardware levels: the palette menu's two items, the dialog, the palette
    // window's title and the tooltip of an entry off the levels (section
    // LEVELS). LevelsPresets is the preset names separated by "|".
    QString MenuLevels;
    QString MenuSnapLevels;
    QString TitleLevels;
    QString CaptionLevelsPreset;
    QString LevelsPresetNames;
    QString CaptionLevelsCounts;
    // %1 the preset's name, or the counts as R-G-B.
    QString LevelsShown;
    QString TipOffLevels;

    // Tidying the palette from its context menu (section TIDY): %1 and %2
    // are the ends of the range, the dialogs' prompts name what they ask.
    QString MenuTidyMergeDuplicates;
    QString MenuTidyMergeSimilar;
    QString MenuTidyUnusedToEnd;
    QString MenuTidySort;
    QString MenuTidySortHue;
    QString MenuTidySortLightness;
    QString MenuTidySortChroma;
    QString MenuTidySortUsage;
    QString MenuTidyReduce;
    QString PromptTidyDistance;
    QString PromptTidyDistanceHint; // what the distance looks like
    QString PromptTidyColours;

    // Texts of the windows' own design, replaceable too.
    QString TitleAbout;
    QString TitleActOpen;
    QString TitleActSave;
    QString TitlePcxOpen;
    QString TitleClip;
    QString CaptionClipSelect;
    QString CaptionClipCopy;
    // The language of Qt's own dialogs: ja, en, or any Qt has.
    QString Language;

    // Colour cycling (section CYCLE): the palette menu's item (%1 and %2 the
    // ends of the range), its dialog, the screen window's animated GIF, and
    // the Convert dialog's choice to leave cycled entries out.
    QString MenuCycle;
    QString TitleCycle;
    QString CaptionCycleFirst;
    QString CaptionCycleLast;
    QString CaptionCycleRate;
    QString CaptionCycleBackward;
    QString CaptionCycleOn;
    QString CaptionCycleAdd;
    QString CaptionCycleEdit;
    QString CaptionCycleDelete;
    QString CaptionCyclePlay;
    QString CaptionCycleStop;
    QString MsgCycleFull;
    QString MenuSaveCycleGif;
    QString TitleSaveCycleGif;
    QString MsgCycleNone;
    QString MsgCycleCapped;
    QString CaptionConvertKeepCycles;

    // Light levels in the screen window and the shade table view (section LIGHT): %1 of
    // MenuLightLevels a count, of LightLevelShown the level; TipShadeCell: entry, level, entry.
    QString MenuLightSlider;
    QString MenuShadeTable;
    QString MenuLightSettings;
    QString MenuLightLevels;
    QString MenuLightOklab;
    QString MenuLightClassic;
    QString MenuLightFade;
    QString MenuLightFullbright;
    QString PromptFullbright;
    QString MsgFullbrightBad;
    QString LightLevelShown;
    QString TitleShadeTable;
    QString CaptionTableOpen;
    QString CaptionTableComputed;
    QString TitleTableOpen;
    QString TipShadeCell;
    QString CaptionPoorShades;
    QString MsgTableRefused;
    // The table files' reasons, in the section of the readers' reasons.
    QString ReasonTableRaw;
    QString ReasonTableSize;
    QString ReasonTableColormap;
    QString ReasonTableBuildShades;
    QString ReasonTableBuildCut;
    QString ReasonTableBuild63;
    QString ReasonTableBuildCount;
    QString ReasonWadDirectory;
    QString ReasonWadLump;
    QString ReasonWadNone;
    // Refusals of the program's own (section FORMATS) and the readers' reasons (REASONS).
    QString MsgImageSaveKind;
    QString MsgPaletteNoPalette;
    QString ReasonLine;
    QString ReasonNoHeader;
    QString ReasonNotRgb;
    QString ReasonNoCount;
    QString ReasonNotHex;
    QString ReasonNotHexAlpha;
    QString ReasonLongLine;
    QString ReasonJascCount;
    QString ReasonVgaOver63;
    QString ReasonRiffNoData;
    QString ReasonRiffCount;
    QString ReasonRiffCut;
    QString ReasonNoPalette;
    QString ReasonPixelDataShort;
    QString ReasonFileEndsEarly;
    QString ReasonDataEndsPixel;
    QString ReasonDataEndsRow;
    QString ReasonDataPastEnd;
    QString ReasonNoImageData;
    QString ReasonOutOfMemory;
    QString ReasonNoScreen;
    QString ReasonScreenSize;
    QString ReasonNoPicture;
    QString ReasonLzwSize;
    QString ReasonFrameBeyond;
    QString ReasonNoPixel;
    QString ReasonPictureTooLarge;
    QString ReasonPictureTooLargeSide;
    QString ReasonPictureEmpty;
    QString ReasonPcxLimit;
    QString ReasonHeadersCut;
    QString ReasonUnknownHeader;
    QString ReasonHeaderCut;
    QString ReasonNegativeWidth;
    QString ReasonBitCount;
    QString ReasonCompression;
    QString ReasonRleBits;
    QString ReasonDataInHeaders;
    QString ReasonDataBeyondFile;
    QString ReasonRunLengthEnds;
    QString ReasonNotReadHere;
    QString ReasonFileEmpty;
    QString ReasonNotKind;
    QString ReasonNotPngBmpGif;
    QString ReasonNotPngBmp;
    QString ReasonGifError;
    QString ReasonPcxUnreadable;
    QString ReasonPcxShort;
    QString ReasonPcxNotRle;
    QString ReasonPcxNot8Bit;
    QString ReasonPcxSizeBeyond;
    QString ReasonPcxDataEnds;
    QString ReasonPcxMemory;
    QString ReasonFileTooLarge;
};

struct CatalogEntry {
    const char *name;
    const char *section;
    const char *key;
    QString defaultText;
    QString MessageCatalog::*member;
};

constexpr int kCatalogEntries = 17;

// In the order they are read at start-up.
const std::array<CatalogEntry, kCatalogEntries> &CatalogEntries();

// Texts added beside the 17, read after them from a section of their own.
const std::array<CatalogEntry, 14> &FormatCatalogEntries();

// Read after those, from a section of their own.
const std::array<CatalogEntry, 14> &PaletteToolEntries();

// Read after those, from a section of their own.
const std::array<CatalogEntry, 8> &FileCatalogEntries();

// Read after those, from a section of their own.
const std::array<CatalogEntry, 18> &ConvertCatalogEntries();

// Read after those.
const std::array<CatalogEntry, 8> &DesignCatalogEntries();

// Read after those.
const std::array<CatalogEntry, 8> &LevelsCatalogEntries();
// Read after those, from a section of their own.
const std::array<CatalogEntry, 18> &CycleCatalogEntries();
// Read after those, from a section of their own.
const std::array<CatalogEntry, 12> &TidyCatalogEntries();
// Read after those, from a section of their own.
const std::array<CatalogEntry, 16> &SetCatalogEntries();

// Read after those, from a section of their own.
const std::array<CatalogEntry, 28> &LightCatalogEntries();
// The table files' reasons by their English words, for CatalogReason.
const std::array<std::pair<const char *, QString MessageCatalog::*>, 10> &TableReasons();

// Read after those: what stands beside a refusal, and the readers' reasons.
const std::array<CatalogEntry, 56> &ReasonCatalogEntries();

// A reader's English reason in the catalogue's words, its numbers and names kept; one the
// catalogue does not know (a library's own words) as it came.
QString CatalogReason(const MessageCatalog &catalog, const QString &reason);

// Keys of their own for the three texts MESSAGE/ERR_MSG_0 sets; where a key
// is absent the text stays what ERR_MSG_0 gave. Read last.
const std::array<CatalogEntry, 3> &SplitMessageEntries();

MessageCatalog DefaultCatalog();

// The items of one of `catalog`'s lists ("a|b|c"): a list the settings file
// left short keeps the built-in items after its own, as many as there are.
QStringList CatalogItems(const MessageCatalog &catalog, QString MessageCatalog::*list);

// The message for a file that could not be read or written: what is wrong,
// the path, and for a read or write error the system's reason.
QString FileMessage(const MessageCatalog &catalog, const QString &path, const FileError &error);
// A picture not saved: with why when writing failed, or just where when encoding did (no error).
QString ImageSaveFailedMessage(const MessageCatalog &catalog, const QString &path,
                               const FileError &error);

// One read per entry, in order: read(section, key, default) -> value.
MessageCatalog
ReadCatalog(const std::function<QString(const QString &, const QString &, const QString &)> &read);
