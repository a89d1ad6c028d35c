#include "app/mdlGlobal.h"

#include "app/Document.h"

#include "base/FileAccess.h"

#include <QFile>

namespace mdlGlobal {

PalletArray &Pallet = TheDocument().values().Pallet;
qint16 &SelectedPalletID = TheDocument().values().SelectedPalletID;
qint32 &SearchPalletID = TheDocument().values().SearchPalletID;
QByteArray ActFileBytes;
qint64 ActFileLen = 0;
QByteArray PcxFileBytes;
qint64 PcxFileLen = 0;
::PcxHeader PcxHeader;
PixelBuffer &PcxDecodedBytes = TheDocument().values().PcxDecodedBytes;
quint64 PcxImagesDecoded = 0;
TransparentMark PcxTransparent;
::PcxImage &PcxImage = TheDocument().values().PcxImage;
QString PcxFilePath;
ConvertSettings ConvertChoices;
quint64 PaletteFileOpened = 0;
std::vector<PalletEntry> ClipPallet;
CycleRanges &Cycles = TheDocument().values().Cycles;
quint8 InitColorR = 0;
quint8 InitColorG = 0;
quint8 InitColorB = 0;
qint16 InitCancel = kFalse;
qint32 MainWindowLeft = 0;
qint32 MainWindowTop = 0;
QString SettingsFilePath;
ProfileFile SettingsValues;
MessageCatalog Catalog;

void ResetSharedState()
{
    Pallet = PalletArray{};
    SelectedPalletID = 0;
    SearchPalletID = 0;
    ActFileBytes.clear();
    ActFileLen = 0;
    PcxFileBytes.clear();
    PcxFileLen = 0;
    PcxHeader = ::PcxHeader{};
    PcxDecodedBytes = PixelBuffer();
    PcxImage = ::PcxImage{};
    PcxFilePath.clear();
    ConvertChoices = {};
    PaletteFileOpened = 0;
    ClipPallet.clear();
    Cycles.clear();
    InitColorR = InitColorG = InitColorB = 0;
    InitCancel = kFalse;
    MainWindowLeft = MainWindowTop = 0;
    SettingsFilePath.clear();
    SettingsValues = ProfileFile();
    Catalog = MessageCatalog{};
}

bool LoadSettingsFile()
{
    SettingsValues = ProfileFile();
    QFile file;
    const FileError error = OpenRegularFile(SettingsFilePath, file);
    switch (error.problem) {
    case FileProblem::None:
        break;
    case FileProblem::Folder:
    case FileProblem::Pipe:
    case FileProblem::Device:
    case FileProblem::Socket:
        return false;
    default:
        return true;
    }
    // One byte past the limit tells a file that grows, or claims no size.
    if (file.size() > kMaxSettingsBytes)
        return false;
    const std::optional<QByteArray> bytes = ReadAtMost(file, kMaxSettingsBytes + 1);
    if (bytes && bytes->size() > kMaxSettingsBytes)
        return false;
    if (bytes)
        SettingsValues = ProfileFile(*bytes);
    return true;
}

QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return SettingsValues.value(section, key, defaultValue);
}

} // namespace mdlGlobal
