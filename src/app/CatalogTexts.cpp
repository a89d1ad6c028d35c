// The catalogue's texts: where the settings file keeps each one, and its
// default. Nothing but the tables, in the order they are read.

#include "app/MessageCatalog.h"

const std::array<CatalogEntry, kCatalogEntries> &CatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, kCatalogEntries> entries{{
        {"UiFontName", "CONFIG", "FONTS", QStringLiteral("ＭＳ Ｐゴシック"), &M::UiFontName},
        {"MsgOver255", "MESSAGE", "ERR_MSG_0", QStringLiteral("255以下の数値を入力して下さい！"),
         &M::MsgOver255},
        {"MsgPcxUnsupported", "MESSAGE", "ERR_MSG_0",
         QStringLiteral("この形式のＰＣＸファイルは、本プログラムでは対応していません！"),
         &M::MsgPcxUnsupported},
        {"MsgEnterNumber", "MESSAGE", "ERR_MSG_0", QStringLiteral("の数値を入力して下さい！"),
         &M::MsgEnterNumber},
        {"MsgExitConfirm", "MESSAGE", "MSG_0", QStringLiteral("Palmiro を終了しますか？"),
         &M::MsgExitConfirm},
        {"MsgPasteRangeSep", "MESSAGE", "MSG_1_0", QStringLiteral(" ～ "), &M::MsgPasteRangeSep},
        {"MsgPasteRewrite", "MESSAGE", "MSG_1_1", QStringLiteral(" のパレットを書き換えます。"),
         &M::MsgPasteRewrite},
        {"MsgPasteConfirm", "MESSAGE", "MSG_1_2", QStringLiteral("よろしいですか？"),
         &M::MsgPasteConfirm},
        {"TitleMain", "TITLE", "FRM_MAIN", QStringLiteral("Palmiro"), &M::TitleMain},
        {"TitleScreen", "TITLE", "FRM_PCX", QStringLiteral("Palmiro - スクリーン"),
         &M::TitleScreen},
        {"TitlePallet", "TITLE", "FRM_PALLET", QStringLiteral("Palmiro - パレット"),
         &M::TitlePallet},
        {"CaptionClipFrame", "TITLE", "FRM_PALLET_FRA_CLIP", QStringLiteral("クリップボード"),
         &M::CaptionClipFrame},
        {"CaptionCopy", "TITLE", "FRM_PALLET_CMD_COPY", QStringLiteral("コピー"), &M::CaptionCopy},
        {"CaptionPaste", "TITLE", "FRM_PALLET_CMD_PASTE", QStringLiteral("貼り付け"),
         &M::CaptionPaste},
        {"MsgInitPallet", "MESSAGE", "MSG_2",
         QStringLiteral("パレットの初期値を指定してください。"), &M::MsgInitPallet},
        {"MsgSearchShown", "MESSAGE", "MSG_3_1",
         QStringLiteral("選択パレットを使用している箇所を表示しました。"), &M::MsgSearchShown},
        {"MsgSearchReturn", "MESSAGE", "MSG_3_2",
         QStringLiteral("OKボタン押下、通常表示に戻ります。"), &M::MsgSearchReturn},
    }};
    return entries;
}

const std::array<CatalogEntry, 14> &FormatCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 14> entries{{
        {"MsgPaletteBroken", "FORMATS", "PALETTE_BROKEN",
         QStringLiteral("このパレットファイルは壊れているため読み込めません。"),
         &M::MsgPaletteBroken},
        {"MsgPaletteSaveFailed", "FORMATS", "PALETTE_SAVE_FAILED",
         QStringLiteral("パレットファイルを保存できません。"), &M::MsgPaletteSaveFailed},
        {"MsgImageNotIndexed", "FORMATS", "IMAGE_NOT_INDEXED",
         QStringLiteral("フルカラーの画像には編集できるパレットがありません。"
                        "256色以下のインデックスカラー画像を選んでください。"),
         &M::MsgImageNotIndexed},
        {"MsgImageUnreadable", "FORMATS", "IMAGE_UNREADABLE",
         QStringLiteral("この画像ファイルは読み込めません。"), &M::MsgImageUnreadable},
        {"MsgImageSaveFailed", "FORMATS", "IMAGE_SAVE_FAILED",
         QStringLiteral("画像を保存できません。"), &M::MsgImageSaveFailed},
        {"MsgFileNotFound", "FORMATS", "FILE_NOT_FOUND",
         QStringLiteral("ファイルが見つかりません。"), &M::MsgFileNotFound},
        {"MenuSaveImage", "FORMATS", "MENU_SAVE_IMAGE",
         QStringLiteral("名前を付けて画像を保存(&S)..."), &M::MenuSaveImage},
        {"MenuCopyImage", "FORMATS", "MENU_COPY_IMAGE", QStringLiteral("画像をコピー(&C)"),
         &M::MenuCopyImage},
        {"MenuFitWindow", "FORMATS", "MENU_FIT_WINDOW", QStringLiteral("ウィンドウに合わせる(&F)"),
         &M::MenuFitWindow},
        {"TitleSaveImage", "FORMATS", "DIALOG_SAVE_IMAGE", QStringLiteral("画像の保存"),
         &M::TitleSaveImage},
        {"MsgImageTruncated", "FORMATS", "IMAGE_TRUNCATED",
         QStringLiteral("画像ファイルが途中で切れているため読み込めません。"),
         &M::MsgImageTruncated},
        {"MsgImageTooLarge", "FORMATS", "IMAGE_TOO_LARGE",
         QStringLiteral("画像が大きすぎるため読み込めません（2億6843万画素まで）。"),
         &M::MsgImageTooLarge},
        {"MsgImageEmpty", "FORMATS", "IMAGE_EMPTY",
         QStringLiteral("画像の幅または高さが 0 のため読み込めません。"), &M::MsgImageEmpty},
        {"MsgImageUnsupported", "FORMATS", "IMAGE_UNSUPPORTED",
         QStringLiteral("この種類の画像には対応していません。"), &M::MsgImageUnsupported},
    }};
    return entries;
}

const std::array<CatalogEntry, 14> &PaletteToolEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 14> entries{{
        {"MenuRampRgb", "PALETTE_TOOLS", "RAMP_RGB",
         QStringLiteral("%1 ～ %2 を RGB でグラデーション(&R)"), &M::MenuRampRgb},
        {"MenuRampHsv", "PALETTE_TOOLS", "RAMP_HSV",
         QStringLiteral("%1 ～ %2 を HSV でグラデーション(&H)"), &M::MenuRampHsv},
        {"MenuSwap", "PALETTE_TOOLS", "SWAP", QStringLiteral("%1 と %2 を入れ替え(&S)"),
         &M::MenuSwap},
        {"MenuSwapRemap", "PALETTE_TOOLS", "SWAP_REMAP",
         QStringLiteral("%1 と %2 を入れ替え、画像も合わせる(&W)"), &M::MenuSwapRemap},
        {"MenuReverse", "PALETTE_TOOLS", "REVERSE", QStringLiteral("%1 ～ %2 を逆順に(&V)"),
         &M::MenuReverse},
        {"MenuReverseRemap", "PALETTE_TOOLS", "REVERSE_REMAP",
         QStringLiteral("%1 ～ %2 を逆順に、画像も合わせる(&E)"), &M::MenuReverseRemap},
        {"MenuEditColour", "PALETTE_TOOLS", "EDIT_COLOR", QStringLiteral("%1 の色を編集...(&C)"),
         &M::MenuEditColour},
        {"MenuCopyHex", "PALETTE_TOOLS", "COPY_HEX", QStringLiteral("%1 ～ %2 を16進でコピー(&X)"),
         &M::MenuCopyHex},
        {"MenuPasteHex", "PALETTE_TOOLS", "PASTE_HEX", QStringLiteral("%1 から16進を貼り付け(&P)"),
         &M::MenuPasteHex},
        {"MenuMarkUnused", "PALETTE_TOOLS", "MARK_UNUSED",
         QStringLiteral("未使用のパレットに印(&U)"), &M::MenuMarkUnused},
        {"MenuLockEntries", "PALETTE_TOOLS", "LOCK", QStringLiteral("%1 ～ %2 をロック(&K)"),
         &M::MenuLockEntries},
        {"MenuReserveEntries", "PALETTE_TOOLS", "RESERVE",
         QStringLiteral("%1 ～ %2 を予約(使わない)(&B)"), &M::MenuReserveEntries},
        {"MenuClearMarks", "PALETTE_TOOLS", "CLEAR_MARKS",
         QStringLiteral("%1 ～ %2 のロックと予約を外す(&T)"), &M::MenuClearMarks},
        {"TipUsage", "PALETTE_TOOLS", "USAGE_TIP", QStringLiteral("PID %1 : %2, %3, %4 — %5 px"),
         &M::TipUsage},
    }};
    return entries;
}

const std::array<CatalogEntry, 8> &FileCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 8> entries{{
        {"MsgFileIsFolder", "FILES", "FILE_IS_FOLDER",
         QStringLiteral("これはフォルダーです。ファイルを選んでください。"), &M::MsgFileIsFolder},
        {"MsgFileIsPipe", "FILES", "FILE_IS_PIPE",
         QStringLiteral("これは名前付きパイプです。ファイルを選んでください。"), &M::MsgFileIsPipe},
        {"MsgFileIsDevice", "FILES", "FILE_IS_DEVICE",
         QStringLiteral("これはデバイスです。ファイルを選んでください。"), &M::MsgFileIsDevice},
        {"MsgFileIsSocket", "FILES", "FILE_IS_SOCKET",
         QStringLiteral("これはソケットです。ファイルを選んでください。"), &M::MsgFileIsSocket},
        {"MsgFileNoPermission", "FILES", "FILE_NO_PERMISSION",
         QStringLiteral("このファイルを開く権限がありません。"), &M::MsgFileNoPermission},
        {"MsgFileReadError", "FILES", "FILE_READ_ERROR",
         QStringLiteral("ファイルを読み込めません。"), &M::MsgFileReadError},
        {"MsgFileWriteError", "FILES", "FILE_WRITE_ERROR",
         QStringLiteral("ファイルに書き込めません。"), &M::MsgFileWriteError},
        {"MsgSettingsIgnored", "FILES", "SETTINGS_IGNORED",
         QStringLiteral(
             "設定ファイル %1 は 1 MiB 以下の通常のファイルではないため、既定の設定で始めます。"),
         &M::MsgSettingsIgnored},
    }};
    return entries;
}

const std::array<CatalogEntry, 18> &ConvertCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 18> entries{{
        {"MenuConvert", "CONVERT", "MENU_CONVERT", QStringLiteral("パレットに変換...(&T)"),
         &M::MenuConvert},
        {"TitleConvert", "CONVERT", "TITLE", QStringLiteral("パレットに変換"), &M::TitleConvert},
        {"CaptionConvertTarget", "CONVERT", "TARGET", QStringLiteral("変換先"),
         &M::CaptionConvertTarget},
        {"ConvertTargets", "CONVERT", "TARGETS",
         QStringLiteral("今のパレット全体|新しいパレットを S から N 色|パレットの S ～ T だけ"),
         &M::ConvertTargets},
        {"CaptionConvertCount", "CONVERT", "COUNT", QStringLiteral("色数 N"),
         &M::CaptionConvertCount},
        {"CaptionConvertFirst", "CONVERT", "FIRST", QStringLiteral("最初のパレット S"),
         &M::CaptionConvertFirst},
        {"CaptionConvertLast", "CONVERT", "LAST", QStringLiteral("最後のパレット T"),
         &M::CaptionConvertLast},
        {"CaptionConvertDistance", "CONVERT", "DISTANCE", QStringLiteral("色の距離"),
         &M::CaptionConvertDistance},
        {"ConvertDistances", "CONVERT", "DISTANCES", QStringLiteral("OKLab (見た目の差)|RGB"),
         &M::ConvertDistances},
        {"CaptionConvertDither", "CONVERT", "DITHER", QStringLiteral("ディザ"),
         &M::CaptionConvertDither},
        {"ConvertDithers", "CONVERT", "DITHERS",
         QStringLiteral("なし|Floyd-Steinberg|Atkinson|Sierra Lite|Jarvis-Judice-Ninke|"
                        "Bayer 2x2|Bayer 4x4|Bayer 8x8"),
         &M::ConvertDithers},
        {"CaptionConvertStrength", "CONVERT", "STRENGTH", QStringLiteral("強さ (%)"),
         &M::CaptionConvertStrength},
        {"CaptionConvertSerpentine", "CONVERT", "SERPENTINE",
         QStringLiteral("行ごとに向きを変える"), &M::CaptionConvertSerpentine},
        {"CaptionConvertTransparent", "CONVERT", "TRANSPARENT",
         QStringLiteral("透明な部分のパレット"), &M::CaptionConvertTransparent},
        {"ConvertNoTransparent", "CONVERT", "NO_TRANSPARENT", QStringLiteral("なし (黒と重ねる)"),
         &M::ConvertNoTransparent},
        {"CaptionConvertRefine", "CONVERT", "REFINE",
         QStringLiteral("離れて見た誤差を仕上げで減らす"), &M::CaptionConvertRefine},
        {"ProgressReading", "CONVERT", "READING", QStringLiteral("画像を読み込んでいます…"),
         &M::ProgressReading},
        {"ProgressConverting", "CONVERT", "CONVERTING", QStringLiteral("変換しています…"),
         &M::ProgressConverting},
    }};
    return entries;
}

const std::array<CatalogEntry, 8> &DesignCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 8> entries{{
        {"TitleAbout", "TITLE", "FRM_ABOUT", QStringLiteral("Palmiro のﾊﾞｰｼﾞｮﾝ情報"),
         &M::TitleAbout},
        {"TitleActOpen", "TITLE", "DLG_ACT_OPEN", QStringLiteral("Select Act File"),
         &M::TitleActOpen},
        {"TitleActSave", "TITLE", "DLG_ACT_SAVE", QStringLiteral("Act File Save"),
         &M::TitleActSave},
        {"TitlePcxOpen", "TITLE", "DLG_PCX_OPEN", QStringLiteral("Select PCX File"),
         &M::TitlePcxOpen},
        {"TitleClip", "TITLE", "FRM_CLIP", QStringLiteral("Copy to Clipboard"), &M::TitleClip},
        {"CaptionClipSelect", "TITLE", "FRM_CLIP_LBL_SELECT", QStringLiteral("Select Pallet ID"),
         &M::CaptionClipSelect},
        {"CaptionClipCopy", "TITLE", "FRM_CLIP_CMD_COPY", QStringLiteral("COPY"),
         &M::CaptionClipCopy},
        {"Language", "CONFIG", "LANGUAGE", QStringLiteral("ja"), &M::Language},
    }};
    return entries;
}

const std::array<CatalogEntry, 8> &LevelsCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 8> entries{{
        {"MenuLevels", "LEVELS", "MENU_LEVELS", QStringLiteral("ハードウェアの階調...(&L)"),
         &M::MenuLevels},
        {"MenuSnapLevels", "LEVELS", "MENU_SNAP", QStringLiteral("%1 ～ %2 を階調に合わせる(&A)"),
         &M::MenuSnapLevels},
        {"TitleLevels", "LEVELS", "TITLE", QStringLiteral("ハードウェアの階調"), &M::TitleLevels},
        {"CaptionLevelsPreset", "LEVELS", "PRESET", QStringLiteral("機種"),
         &M::CaptionLevelsPreset},
        {"LevelsPresetNames", "LEVELS", "PRESETS",
         QStringLiteral("制限なし|VGA (6 bit)|Amiga OCS/ECS (4 bit)|Atari ST (3 bit)|"
                        "Atari STE (4 bit)|メガドライブ (3 bit)|マスターシステム (2 bit)|"
                        "EGA (2 bit)|SNES・GBA・GBC (5 bit)|3-3-2|5-6-5|Amstrad CPC (3 階調)"),
         &M::LevelsPresetNames},
        {"CaptionLevelsCounts", "LEVELS", "COUNTS", QStringLiteral("階調の数 (R, G, B)"),
         &M::CaptionLevelsCounts},
        {"LevelsShown", "LEVELS", "SHOWN", QStringLiteral("階調: %1"), &M::LevelsShown},
        {"TipOffLevels", "LEVELS", "TIP_OFF", QStringLiteral("階調に合っていない色"),
         &M::TipOffLevels},
    }};
    return entries;
}

const std::array<CatalogEntry, 18> &CycleCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 18> entries{{
        {"MenuCycle", "CYCLE", "MENU_CYCLE", QStringLiteral("%1 ～ %2 を循環...(&Y)"),
         &M::MenuCycle},
        {"TitleCycle", "CYCLE", "TITLE", QStringLiteral("色の循環"), &M::TitleCycle},
        {"CaptionCycleFirst", "CYCLE", "FIRST", QStringLiteral("最初のパレット S"),
         &M::CaptionCycleFirst},
        {"CaptionCycleLast", "CYCLE", "LAST", QStringLiteral("最後のパレット T"),
         &M::CaptionCycleLast},
        {"CaptionCycleRate", "CYCLE", "RATE", QStringLiteral("速さ (ステップ/秒)"),
         &M::CaptionCycleRate},
        {"CaptionCycleBackward", "CYCLE", "BACKWARD", QStringLiteral("逆回り"),
         &M::CaptionCycleBackward},
        {"CaptionCycleOn", "CYCLE", "ON", QStringLiteral("循環させる"), &M::CaptionCycleOn},
        {"CaptionCycleAdd", "CYCLE", "ADD", QStringLiteral("追加(&A)"), &M::CaptionCycleAdd},
        {"CaptionCycleEdit", "CYCLE", "EDIT", QStringLiteral("変更(&E)"), &M::CaptionCycleEdit},
        {"CaptionCycleDelete", "CYCLE", "DELETE", QStringLiteral("削除(&D)"),
         &M::CaptionCycleDelete},
        {"CaptionCyclePlay", "CYCLE", "PLAY", QStringLiteral("再生 (F5)"), &M::CaptionCyclePlay},
        {"CaptionCycleStop", "CYCLE", "STOP", QStringLiteral("停止 (F5)"), &M::CaptionCycleStop},
        {"MsgCycleFull", "CYCLE", "FULL", QStringLiteral("循環の範囲は 16 個までです。"),
         &M::MsgCycleFull},
        {"MenuSaveCycleGif", "CYCLE", "MENU_SAVE_GIF",
         QStringLiteral("循環をアニメーション GIF で保存...(&G)"), &M::MenuSaveCycleGif},
        {"TitleSaveCycleGif", "CYCLE", "TITLE_SAVE_GIF",
         QStringLiteral("アニメーション GIF の保存"), &M::TitleSaveCycleGif},
        {"MsgCycleNone", "CYCLE", "NONE", QStringLiteral("循環している範囲がありません。"),
         &M::MsgCycleNone},
        {"MsgCycleCapped", "CYCLE", "CAPPED",
         QStringLiteral("一周が 1000 フレームを超えるので、最初の 1000 フレームを保存しました。"),
         &M::MsgCycleCapped},
        {"CaptionConvertKeepCycles", "CYCLE", "CONVERT_KEEP_OUT",
         QStringLiteral("循環する範囲のパレットを使わない"), &M::CaptionConvertKeepCycles},
    }};
    return entries;
}

const std::array<CatalogEntry, 12> &TidyCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 12> entries{{
        {"MenuTidyMergeDuplicates", "TIDY", "MERGE_DUPLICATES",
         QStringLiteral("%1 ～ %2 の同じ色をまとめる(&D)"), &M::MenuTidyMergeDuplicates},
        {"MenuTidyMergeSimilar", "TIDY", "MERGE_SIMILAR",
         QStringLiteral("%1 ～ %2 の近い色をまとめる...(&M)"), &M::MenuTidyMergeSimilar},
        {"MenuTidyUnusedToEnd", "TIDY", "UNUSED_TO_END",
         QStringLiteral("%1 ～ %2 の未使用を後ろへ(&N)"), &M::MenuTidyUnusedToEnd},
        {"MenuTidySort", "TIDY", "SORT", QStringLiteral("%1 ～ %2 を並べ替え(&O)"),
         &M::MenuTidySort},
        {"MenuTidySortHue", "TIDY", "SORT_HUE", QStringLiteral("色相順(&H)"), &M::MenuTidySortHue},
        {"MenuTidySortLightness", "TIDY", "SORT_LIGHTNESS", QStringLiteral("明るさ順(&L)"),
         &M::MenuTidySortLightness},
        {"MenuTidySortChroma", "TIDY", "SORT_CHROMA", QStringLiteral("彩度順(&C)"),
         &M::MenuTidySortChroma},
        {"MenuTidySortUsage", "TIDY", "SORT_USAGE", QStringLiteral("使用数順(&U)"),
         &M::MenuTidySortUsage},
        {"MenuTidyReduce", "TIDY", "REDUCE", QStringLiteral("%1 ～ %2 を減色...(&Q)"),
         &M::MenuTidyReduce},
        {"PromptTidyDistance", "TIDY", "DISTANCE",
         QStringLiteral("まとめる色の距離 (OKLab × 100、0～100)"), &M::PromptTidyDistance},
        {"PromptTidyDistanceHint", "TIDY", "DISTANCE_HINT",
         QStringLiteral("1 ≈ 見分けられない、2 ≈ かすかに見える、5 ≈ はっきり違う、10 ≈ "
                        "別の色。これより離れた 2 色は同じ色になりません。"),
         &M::PromptTidyDistanceHint},
        {"PromptTidyColours", "TIDY", "COLOURS", QStringLiteral("残す色数 (1～256)"),
         &M::PromptTidyColours},
    }};
    return entries;
}

const std::array<CatalogEntry, 3> &SplitMessageEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 3> entries{{
        {"MsgOver255", "MESSAGE", "ERR_MSG_OVER_255", {}, &M::MsgOver255},
        {"MsgPcxUnsupported", "MESSAGE", "ERR_MSG_PCX", {}, &M::MsgPcxUnsupported},
        {"MsgZoomRange", "MESSAGE", "ERR_MSG_ZOOM", {}, &M::MsgZoomRange},
    }};
    return entries;
}
