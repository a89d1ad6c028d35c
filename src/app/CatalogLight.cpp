#include "app/MessageCatalog.h"

const std::array<CatalogEntry, 15> &LightCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 15> entries{{
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
    }};
    return entries;
}
