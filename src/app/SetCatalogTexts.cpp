// The texts of "Palette from pictures": one palette for a set of pictures.
#include "app/MessageCatalog.h"

const std::array<CatalogEntry, 16> &SetCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 16> entries{{
        {"MenuFromPictures", "SET", "MENU", QStringLiteral("画像からパレットを作る(&I)..."),
         &M::MenuFromPictures},
        {"TitleFromPictures", "SET", "TITLE", QStringLiteral("画像からパレットを作る"),
         &M::TitleFromPictures},
        {"FromAdd", "SET", "ADD", QStringLiteral("追加(&A)..."), &M::FromAdd},
        {"FromAddTitle", "SET", "ADD_TITLE", QStringLiteral("パレットを作る画像"),
         &M::FromAddTitle},
        {"FromRemove", "SET", "REMOVE", QStringLiteral("外す(&R)"), &M::FromRemove},
        {"FromCount", "SET", "COUNT", QStringLiteral("色数 N"), &M::FromCount},
        {"FromWeight", "SET", "WEIGHT", QStringLiteral("重み"), &M::FromWeight},
        {"FromWeights", "SET", "WEIGHTS", QStringLiteral("画素の数で|どの画像も同じだけ"),
         &M::FromWeights},
        {"FromMarks", "SET", "MARKS",
         QStringLiteral("ロック: %1 / 予約: %2 (パレットのウィンドウで選んで右クリック)"),
         &M::FromMarks},
        {"FromNoEntries", "SET", "NO_ENTRIES", QStringLiteral("なし"), &M::FromNoEntries},
        {"FromNoPictures", "SET", "NO_PICTURES",
         QStringLiteral("画像を追加するか、ここにドロップしてください。"), &M::FromNoPictures},
        {"FromUnreadable", "SET", "UNREADABLE", QStringLiteral("%1 は読めません: %2"),
         &M::FromUnreadable},
        {"ProgressMakingPalette", "SET", "MAKING", QStringLiteral("パレットを作っています…"),
         &M::ProgressMakingPalette},
        {"FromConvertSet", "SET", "CONVERT_SET", QStringLiteral("まとめて変換(&C)..."),
         &M::FromConvertSet},
        {"FromFolderTitle", "SET", "FOLDER_TITLE", QStringLiteral("変換した画像を書き込むフォルダ"),
         &M::FromFolderTitle},
        {"ProgressConvertingSet", "SET", "CONVERTING", QStringLiteral("画像を変換しています…"),
         &M::ProgressConvertingSet},
    }};
    return entries;
}
