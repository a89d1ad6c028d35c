// The "Act File" commands of the main window.
#include "app/Document.h"
#include "app/mdlGlobal.h"
#include "base/SaveFile.h"
#include "formats/ActFile.h"
#include "formats/PaletteFormats.h"
#include "platform/Platform.h"
#include "windows/main/LoadActFile.h"
#include "windows/main/MainForms.h"
#include "windows/main/frmInitPallet.h"
#include "windows/main/frmMain.h"
#include "windows/palette/frmPallet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include <algorithm>
#include <iterator>

using namespace mdlGlobal;

namespace {

// The save dialog's filters after ACT, in the order they are offered.
constexpr PaletteFormat kMoreSaveFormats[] = {
    PaletteFormat::Gpl, PaletteFormat::Jasc,   PaletteFormat::Riff,      PaletteFormat::Hex,
    PaletteFormat::Vga, PaletteFormat::Bgr555, PaletteFormat::MegaDrive, PaletteFormat::Amiga};
// The hardware formats' filters, offered by both dialogs after the others.
constexpr PaletteFormat kRawFormats[] = {PaletteFormat::Vga, PaletteFormat::Bgr555,
                                         PaletteFormat::MegaDrive, PaletteFormat::Amiga};
const QString kRawFilters =
    QStringLiteral("VGA DAC (*.vga)|*.vga|BGR555 (*.bgr555)|*.bgr555|"
                   "Mega Drive CRAM (*.md)|*.md|Amiga OCS (*.amiga)|*.amiga|");
// The open dialog's entries before them: all it reads, ACT, all files.
constexpr int kOpenFiltersBeforeRaw = 3;

// A hardware format has no signature; its name says it was saved as one.
PaletteFormat FormatOfFile(const QString &path)
{
    if (const auto named = PaletteFormatForName(path); named && IsRawFormat(*named))
        return *named;
    QFile file;
    return OpenRegularFile(path, file) ? PaletteFormat::Act : DetectPaletteFormat(file, path);
}

// The save dialog first offers the format the named file is in, so that Save
// over a palette of another program keeps it a palette of that program.
int FilterOf(PaletteFormat format)
{
    const auto *at = std::find(std::begin(kMoreSaveFormats), std::end(kMoreSaveFormats), format);
    return at == std::end(kMoreSaveFormats) ? 0 : int(at - std::begin(kMoreSaveFormats)) + 1;
}

PaletteFormat ChosenFormat(int filter, const QString &path)
{
    if (filter > 0 && filter <= int(std::size(kMoreSaveFormats)))
        return kMoreSaveFormats[filter - 1];
    if (filter == 0)
        return PaletteFormat::Act;
    return PaletteFormatForName(path).value_or(PaletteFormat::Act);
}

} // namespace

void frmMain::cmdActNew_Click()
{
    FrmInitPallet().exec();
    if (InitCancel == kTrue)
        return;
    FrmPallet().initPallet(InitColorR, InitColorG, InitColorB);
    FrmPallet().MarkSaved();
}

void frmMain::cmdActOpen_Click()
{
    const auto chosen = ThePlatform().openFileDialogWithFilter(
        this,
        {Catalog.TitleActOpen, QStringLiteral("Act Files (*.act)|*.act|"),
         QStringLiteral("USER.act"), false, QStringLiteral("All files (*)|*|") + kRawFilters, 0,
         QStringLiteral("Palettes and pictures (*.act *.gpl *.pal *.txt *.hex *.png *.bmp "
                        "*.gif *.pcx)|*.act *.gpl *.pal *.txt *.hex *.png *.bmp *.gif "
                        "*.pcx|")});
    if (!chosen)
        return;
    const int raw = chosen->second - kOpenFiltersBeforeRaw;
    if (raw >= 0 && raw < int(std::size(kRawFormats)))
        OpenAct(chosen->first, kRawFormats[raw]);
    else
        OpenAct(chosen->first);
}

bool frmMain::OpenAct(const QString &path, std::optional<PaletteFormat> raw)
{
    // The name is shown only once the file could be read.
    if (!LoadActFile(path, raw))
        return false;
    TheDocument().ShowName(path);
    FrmPallet().MarkSaved();
    ++PaletteFileOpened;
    return true;
}

void frmMain::cmdActSave_Click()
{
    const QString current = FrmPallet().lblFName->text();
    const PaletteFormat format =
        current == frmPallet::kNoFile ? PaletteFormat::Act : FormatOfFile(current);
    // A palette taken from a picture is offered a name of its own, never the picture's.
    const QFileInfo info(current);
    const QString defaultName =
        current == frmPallet::kNoFile ? QStringLiteral("user.act")
        : format == PaletteFormat::Image
            ? info.dir().filePath(info.completeBaseName() + QStringLiteral(".act"))
            : current;
    const auto chosen = ThePlatform().saveFileDialogWithFilter(
        this, {Catalog.TitleActSave, QStringLiteral("Act Files(*.act)|*.act|"), defaultName, true,
               QStringLiteral("GIMP Palette (*.gpl)|*.gpl|JASC-PAL (*.pal)|*.pal|"
                              "RIFF PAL (*.pal)|*.pal|Hex (*.hex)|*.hex|") +
                   kRawFilters,
               FilterOf(format)});
    if (!chosen)
        return;
    const QString &path = chosen->first;
    const PaletteFormat chosenFormat = ChosenFormat(chosen->second, path);
    const FileError error =
        chosenFormat == PaletteFormat::Act
            ? SaveActFile(path, Pallet)
            : SaveWholeFile(path, WritePaletteFile(chosenFormat, Pallet, kPalletEntries,
                                                   TheDocument().Marks()));
    if (error) {
        ThePlatform().messageBox(this,
                                 Catalog.MsgPaletteSaveFailed + QLatin1Char('\n') +
                                     FileMessage(Catalog, path, error),
                                 Platform::Buttons::Ok);
        return;
    }
    TheDocument().ShowName(path);
    FrmPallet().MarkSaved();
}
