#include "app/MessageCatalog.h"

const std::array<CatalogEntry, 28> &LightCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 28> entries{{
        {"MenuLightSlider", "LIGHT", "MENU_SLIDER", QStringLiteral("明るさのスライダー(&L)"),
         &M::MenuLightSlider},
        {"MenuShadeTable", "LIGHT", "MENU_TABLE", QStringLiteral("シェードテーブル...(&H)"),
         &M::MenuShadeTable},
        {"MenuLightSettings", "LIGHT", "MENU_SETTINGS", QStringLiteral("明るさの設定(&E)"),
         &M::MenuLightSettings},
        {"MenuLightLevels", "LIGHT", "MENU_LEVELS", QStringLiteral("%1 段階"), &M::MenuLightLevels},
        {"MenuLightOklab", "LIGHT", "MENU_OKLAB", QStringLiteral("OKLab で暗くする(&O)"),
         &M::MenuLightOklab},
        {"MenuLightClassic", "LIGHT", "MENU_CLASSIC", QStringLiteral("ゲームと同じ規則 (RGB)(&C)"),
         &M::MenuLightClassic},
        {"MenuLightFade", "LIGHT", "MENU_FADE", QStringLiteral("フェードの色...(&F)"),
         &M::MenuLightFade},
        {"MenuLightFullbright", "LIGHT", "MENU_FULLBRIGHT",
         QStringLiteral("フルブライトの色...(&B)"), &M::MenuLightFullbright},
        {"PromptFullbright", "LIGHT", "FULLBRIGHT_PROMPT",
         QStringLiteral("どの明るさでも暗くならない色の番号 (例: 224-255)"), &M::PromptFullbright},
        {"MsgFullbrightBad", "LIGHT", "FULLBRIGHT_BAD",
         QStringLiteral(
             "「%1」を読めません。0～255 の番号と範囲をコンマで区切って書いてください。"),
         &M::MsgFullbrightBad},
        {"LightLevelShown", "LIGHT", "LEVEL", QStringLiteral("明るさ %1"), &M::LightLevelShown},
        {"TitleShadeTable", "LIGHT", "TITLE", QStringLiteral("シェードテーブル"),
         &M::TitleShadeTable},
        {"CaptionTableOpen", "LIGHT", "OPEN", QStringLiteral("ファイルを開く..."),
         &M::CaptionTableOpen},
        {"CaptionTableComputed", "LIGHT", "COMPUTED", QStringLiteral("パレットから作る"),
         &M::CaptionTableComputed},
        {"TitleTableOpen", "LIGHT", "TITLE_OPEN", QStringLiteral("テーブルファイルを開く"),
         &M::TitleTableOpen},
        {"TipShadeCell", "LIGHT", "CELL", QStringLiteral("%1 番 明るさ %2 → %3 番"),
         &M::TipShadeCell},
        {"CaptionPoorShades", "LIGHT", "POOR", QStringLiteral("暗いと崩れる色 (OKLab × 100)"),
         &M::CaptionPoorShades},
        {"MsgTableRefused", "LIGHT", "REFUSED", QStringLiteral("テーブルファイルを読めません。"),
         &M::MsgTableRefused},
        {"ReasonTableRaw", "REASONS", "TABLE_RAW",
         QStringLiteral(
             "raw のテーブルは 256 バイトの行の並びですが、このファイルは %1 バイトです"),
         &M::ReasonTableRaw},
        {"ReasonTableSize", "REASONS", "TABLE_SIZE",
         QStringLiteral("%1 は %2 バイトですが、このファイルは %3 バイトです"),
         &M::ReasonTableSize},
        {"ReasonTableColormap", "REASONS", "TABLE_COLORMAP", QStringLiteral("COLORMAP"),
         &M::ReasonTableColormap},
        {"ReasonTableBuildShades", "REASONS", "TABLE_BUILD_SHADES",
         QStringLiteral("シェード %1 段の PALETTE.DAT"), &M::ReasonTableBuildShades},
        {"ReasonTableBuildCut", "REASONS", "TABLE_BUILD_CUT",
         QStringLiteral("PALETTE.DAT: シェード数の前でファイルが終わっています (%1 バイト)"),
         &M::ReasonTableBuildCut},
        {"ReasonTableBuild63", "REASONS", "TABLE_BUILD_63",
         QStringLiteral("PALETTE.DAT: 63 を超える色の値があります (%2 バイト目の %1)"),
         &M::ReasonTableBuild63},
        {"ReasonTableBuildCount", "REASONS", "TABLE_BUILD_COUNT",
         QStringLiteral("PALETTE.DAT: シェードが %1 段あります。1～256 段のはずです"),
         &M::ReasonTableBuildCount},
        {"ReasonWadDirectory", "REASONS", "WAD_DIRECTORY",
         QStringLiteral("WAD のディレクトリがファイルの終わりより後ろにあります"),
         &M::ReasonWadDirectory},
        {"ReasonWadLump", "REASONS", "WAD_LUMP",
         QStringLiteral("WAD の %1 がファイルの終わりより後ろにあります"), &M::ReasonWadLump},
        {"ReasonWadNone", "REASONS", "WAD_NONE", QStringLiteral("WAD に %1 がありません"),
         &M::ReasonWadNone},
    }};
    return entries;
}

const std::array<std::pair<const char *, QString MessageCatalog::*>, 10> &TableReasons()
{
    using M = MessageCatalog;
    // The raw table's before the size's, whose words it would match too.
    static const std::array<std::pair<const char *, QString MessageCatalog::*>, 10> reasons{{
        {"a raw table is rows of 256 bytes; this file has %1", &M::ReasonTableRaw},
        {"%1 is %2 bytes; this file has %3", &M::ReasonTableSize},
        {"a COLORMAP", &M::ReasonTableColormap},
        {"PALETTE.DAT with %1 shades", &M::ReasonTableBuildShades},
        {"PALETTE.DAT: the file ends before its shade count (%1 bytes)", &M::ReasonTableBuildCut},
        {"PALETTE.DAT: a colour past 63 (%1 at byte %2)", &M::ReasonTableBuild63},
        {"PALETTE.DAT: %1 shades; a palette has 1 to 256", &M::ReasonTableBuildCount},
        {"the WAD's directory is past the end of the file", &M::ReasonWadDirectory},
        {"the WAD's %1 is past the end of the file", &M::ReasonWadLump},
        {"the WAD has no %1", &M::ReasonWadNone},
    }};
    return reasons;
}
