#include "shell/mdlGlobal.h"

#include "shell/IniReader.h"

#include <QFile>

namespace mdlGlobal {

PalletArray Pallet;
qint16 SelectedPalletID = 0;
qint32 SearchPalletID = 0;
QByteArray ActFileBytes;
qint64 ActFileLen = 0;
QByteArray PcxFileBytes;
qint64 PcxFileLen = 0;
::PcxHeader PcxHeader;
PixelBuffer PcxDecodedBytes;
quint64 PcxImagesDecoded = 0;
TransparentMark PcxTransparent;
::PcxImage PcxImage;
std::vector<PalletEntry> ClipPallet;
CycleRanges Cycles;
quint8 InitColorR = 0;
quint8 InitColorG = 0;
quint8 InitColorB = 0;
qint16 InitCancel = kFalse;
qint32 MainWindowLeft = 0;
qint32 MainWindowTop = 0;
QString SettingsFilePath;
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
    ClipPallet.clear();
    Cycles.clear();
    InitColorR = InitColorG = InitColorB = 0;
    InitCancel = kFalse;
    MainWindowLeft = MainWindowTop = 0;
    SettingsFilePath.clear();
    Catalog = MessageCatalog{};
}

QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    // A settings file is a few kilobytes; anything far larger is not one.
    constexpr qint64 kMaxSettingsBytes = 16 * 1024 * 1024;
    QFile file(SettingsFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue;
    const QByteArray bytes = file.read(kMaxSettingsBytes);
    return ReadProfileString(bytes, section, key, defaultValue);
}

} // namespace mdlGlobal
