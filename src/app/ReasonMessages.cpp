// What the program says beside a refusal of its own, and the readers' reasons for one in the
// catalogue's words. The readers give their reasons in English, as palmiro-tool prints them;
// each one the program shows is found here by those words, its numbers and names kept.

#include "app/MessageCatalog.h"

#include <QRegularExpression>

namespace {

struct KnownReason {
    const char *english;
    QString MessageCatalog::*member;
};

const std::array<KnownReason, 54> kKnown{{
    {"%1, line %2: %3", &MessageCatalog::ReasonLine},
    {"no \"%1\" header", &MessageCatalog::ReasonNoHeader},
    {"not three numbers from 0 to 255", &MessageCatalog::ReasonNotRgb},
    {"no colour count", &MessageCatalog::ReasonNoCount},
    {"not RRGGBB", &MessageCatalog::ReasonNotHex},
    {"not AARRGGBB", &MessageCatalog::ReasonNotHexAlpha},
    {"longer than %1 bytes", &MessageCatalog::ReasonLongLine},
    {"JASC-PAL: %1 colours announced, %2 present", &MessageCatalog::ReasonJascCount},
    {"VGA DAC: a value over 63 in entry %1", &MessageCatalog::ReasonVgaOver63},
    {"RIFF PAL: no data chunk among the first %1 chunks", &MessageCatalog::ReasonRiffNoData},
    {"RIFF PAL: %1 colours announced, room for %2", &MessageCatalog::ReasonRiffCount},
    {"RIFF PAL: no complete data chunk", &MessageCatalog::ReasonRiffCut},
    {"no palette of 256 colours or fewer", &MessageCatalog::ReasonNoPalette},
    {"%1 bytes of pixel data for %2 rows that need %3", &MessageCatalog::ReasonPixelDataShort},
    {"the file ends before the picture is complete", &MessageCatalog::ReasonFileEndsEarly},
    {"the image data ends before the last pixel", &MessageCatalog::ReasonDataEndsPixel},
    {"the image data ends before the last row", &MessageCatalog::ReasonDataEndsRow},
    {"the image data goes on far past the last row", &MessageCatalog::ReasonDataPastEnd},
    {"the file holds no image data", &MessageCatalog::ReasonNoImageData},
    {"out of memory", &MessageCatalog::ReasonOutOfMemory},
    {"the logical screen has no pixel", &MessageCatalog::ReasonNoScreen},
    {"a logical screen of %1 x %2", &MessageCatalog::ReasonScreenSize},
    {"no picture in the file", &MessageCatalog::ReasonNoPicture},
    {"an LZW code size of %1, where codes of 12 bits allow at most %2",
     &MessageCatalog::ReasonLzwSize},
    {"a frame of %1 x %2 far beyond its screen", &MessageCatalog::ReasonFrameBeyond},
    {"the picture has no pixel", &MessageCatalog::ReasonNoPixel},
    {"a picture of %1 x %2 pixels is too large: at most %3 pixels (%4 x %5)",
     &MessageCatalog::ReasonPictureTooLarge},
    {"a picture of %1 x %2 pixels is too large: at most %3 pixels (%4 x %5) and %6 a side",
     &MessageCatalog::ReasonPictureTooLargeSide},
    {"a picture of %1 x %2 pixels is empty", &MessageCatalog::ReasonPictureEmpty},
    {"a PCX holds at most 65536 x 65536 pixels", &MessageCatalog::ReasonPcxLimit},
    {"the file ends inside its headers (%1 bytes)", &MessageCatalog::ReasonHeadersCut},
    {"an unknown header of %1 bytes", &MessageCatalog::ReasonUnknownHeader},
    {"the file ends inside its %1-byte header", &MessageCatalog::ReasonHeaderCut},
    {"a negative width (%1)", &MessageCatalog::ReasonNegativeWidth},
    {"a bit count of %1", &MessageCatalog::ReasonBitCount},
    {"compression %1 is not read", &MessageCatalog::ReasonCompression},
    {"RLE%1 with %2 bits per pixel", &MessageCatalog::ReasonRleBits},
    {"the pixel data would start inside the headers", &MessageCatalog::ReasonDataInHeaders},
    {"the pixel data would start at byte %1 of a %2-byte file",
     &MessageCatalog::ReasonDataBeyondFile},
    {"the run-length data ends before the last row", &MessageCatalog::ReasonRunLengthEnds},
    {"not a picture read here", &MessageCatalog::ReasonNotReadHere},
    {"the file is empty", &MessageCatalog::ReasonFileEmpty},
    {"not a PNG, BMP or GIF file", &MessageCatalog::ReasonNotPngBmpGif},
    {"not a PNG or BMP file", &MessageCatalog::ReasonNotPngBmp},
    {"GIF error %1", &MessageCatalog::ReasonGifError},
    {"not a %1 file", &MessageCatalog::ReasonNotKind},
    {"the file cannot be read", &MessageCatalog::ReasonPcxUnreadable},
    {"shorter than a 128-byte header and a 768-byte palette", &MessageCatalog::ReasonPcxShort},
    {"not a run-length PCX (Manufacturer must be 10 and Encoding 1)",
     &MessageCatalog::ReasonPcxNotRle},
    {"not an 8-bit single-plane image (BitsPerPixel must be 8 and NPlanes 1)",
     &MessageCatalog::ReasonPcxNot8Bit},
    {"the image size is larger than the pixel data could ever fill",
     &MessageCatalog::ReasonPcxSizeBeyond},
    {"the run-length data ends before the image is full", &MessageCatalog::ReasonPcxDataEnds},
    {"not enough memory for the image", &MessageCatalog::ReasonPcxMemory},
    {"the file is too large", &MessageCatalog::ReasonFileTooLarge},
}};

} // namespace

const std::array<CatalogEntry, 56> &ReasonCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 56> entries{{
        {"MsgImageSaveKind", "FORMATS", "IMAGE_SAVE_KIND",
         QStringLiteral(
             "この拡張子の形式では保存できません。.png、.pcx、.bmp、.gif のどれかにしてください。"),
         &M::MsgImageSaveKind},
        {"MsgPaletteNoPalette", "FORMATS", "PALETTE_NO_PALETTE",
         QStringLiteral("フルカラーの画像にはパレットがありません。PCXを開くで開くと、パレットに変"
                        "換できます。"),
         &M::MsgPaletteNoPalette},
        {"ReasonLine", "REASONS", "LINE", QStringLiteral("%1 の %2 行目: %3"), &M::ReasonLine},
        {"ReasonNoHeader", "REASONS", "NO_HEADER", QStringLiteral("「%1」の見出しがありません"),
         &M::ReasonNoHeader},
        {"ReasonNotRgb", "REASONS", "NOT_RGB", QStringLiteral("0～255 の数が 3 つありません"),
         &M::ReasonNotRgb},
        {"ReasonNoCount", "REASONS", "NO_COUNT", QStringLiteral("色の数がありません"),
         &M::ReasonNoCount},
        {"ReasonNotHex", "REASONS", "NOT_HEX", QStringLiteral("RRGGBB の形ではありません"),
         &M::ReasonNotHex},
        {"ReasonNotHexAlpha", "REASONS", "NOT_HEX_ALPHA",
         QStringLiteral("AARRGGBB の形ではありません"), &M::ReasonNotHexAlpha},
        {"ReasonLongLine", "REASONS", "LONG_LINE", QStringLiteral("%1 バイトを超えています"),
         &M::ReasonLongLine},
        {"ReasonJascCount", "REASONS", "JASC_COUNT",
         QStringLiteral("JASC-PAL: %1 色とありますが %2 色しかありません"), &M::ReasonJascCount},
        {"ReasonVgaOver63", "REASONS", "VGA_OVER_63",
         QStringLiteral("VGA DAC: %1 番に 63 を超える値があります"), &M::ReasonVgaOver63},
        {"ReasonRiffNoData", "REASONS", "RIFF_NO_DATA",
         QStringLiteral("RIFF PAL: 最初の %1 個のチャンクにデータがありません"),
         &M::ReasonRiffNoData},
        {"ReasonRiffCount", "REASONS", "RIFF_COUNT",
         QStringLiteral("RIFF PAL: %1 色とありますが %2 色分しかありません"), &M::ReasonRiffCount},
        {"ReasonRiffCut", "REASONS", "RIFF_CUT",
         QStringLiteral("RIFF PAL: データのチャンクが途中で切れています"), &M::ReasonRiffCut},
        {"ReasonNoPalette", "REASONS", "NO_PALETTE",
         QStringLiteral("256 色以下のパレットがありません"), &M::ReasonNoPalette},
        {"ReasonPixelDataShort", "REASONS", "PIXEL_DATA_SHORT",
         QStringLiteral("%2 行には %3 バイトの画素が要りますが %1 バイトしかありません"),
         &M::ReasonPixelDataShort},
        {"ReasonFileEndsEarly", "REASONS", "FILE_ENDS_EARLY",
         QStringLiteral("画像の途中でファイルが終わっています"), &M::ReasonFileEndsEarly},
        {"ReasonDataEndsPixel", "REASONS", "DATA_ENDS_PIXEL",
         QStringLiteral("最後の画素の前で画像データが終わっています"), &M::ReasonDataEndsPixel},
        {"ReasonDataEndsRow", "REASONS", "DATA_ENDS_ROW",
         QStringLiteral("最後の行の前で画像データが終わっています"), &M::ReasonDataEndsRow},
        {"ReasonDataPastEnd", "REASONS", "DATA_PAST_END",
         QStringLiteral("最後の行のあとに画像データが長く続いています"), &M::ReasonDataPastEnd},
        {"ReasonNoImageData", "REASONS", "NO_IMAGE_DATA",
         QStringLiteral("ファイルに画像データがありません"), &M::ReasonNoImageData},
        {"ReasonOutOfMemory", "REASONS", "OUT_OF_MEMORY", QStringLiteral("メモリが足りません"),
         &M::ReasonOutOfMemory},
        {"ReasonNoScreen", "REASONS", "NO_SCREEN", QStringLiteral("論理画面に画素がありません"),
         &M::ReasonNoScreen},
        {"ReasonScreenSize", "REASONS", "SCREEN_SIZE", QStringLiteral("論理画面が %1 x %2 です"),
         &M::ReasonScreenSize},
        {"ReasonNoPicture", "REASONS", "NO_PICTURE", QStringLiteral("ファイルに画像がありません"),
         &M::ReasonNoPicture},
        {"ReasonLzwSize", "REASONS", "LZW_SIZE",
         QStringLiteral("LZW の符号の長さが %1 です。12 ビットの符号では %2 までです"),
         &M::ReasonLzwSize},
        {"ReasonFrameBeyond", "REASONS", "FRAME_BEYOND",
         QStringLiteral("%1 x %2 のフレームが画面から大きくはみ出しています"),
         &M::ReasonFrameBeyond},
        {"ReasonNoPixel", "REASONS", "NO_PIXEL", QStringLiteral("画像に画素がありません"),
         &M::ReasonNoPixel},
        {"ReasonPictureTooLarge", "REASONS", "PICTURE_TOO_LARGE",
         QStringLiteral("%1 x %2 画素の画像は大きすぎます（%3 画素、%4 x %5 まで）"),
         &M::ReasonPictureTooLarge},
        {"ReasonPictureTooLargeSide", "REASONS", "PICTURE_TOO_LARGE_SIDE",
         QStringLiteral("%1 x %2 画素の画像は大きすぎます（%3 画素、%4 x %5、一辺 %6 まで）"),
         &M::ReasonPictureTooLargeSide},
        {"ReasonPictureEmpty", "REASONS", "PICTURE_EMPTY",
         QStringLiteral("%1 x %2 画素の画像は空です"), &M::ReasonPictureEmpty},
        {"ReasonPcxLimit", "REASONS", "PCX_LIMIT",
         QStringLiteral("PCX は 65536 x 65536 画素までです"), &M::ReasonPcxLimit},
        {"ReasonHeadersCut", "REASONS", "HEADERS_CUT",
         QStringLiteral("ヘッダーの途中でファイルが終わっています（%1 バイト）"),
         &M::ReasonHeadersCut},
        {"ReasonUnknownHeader", "REASONS", "UNKNOWN_HEADER",
         QStringLiteral("%1 バイトの知らないヘッダーです"), &M::ReasonUnknownHeader},
        {"ReasonHeaderCut", "REASONS", "HEADER_CUT",
         QStringLiteral("%1 バイトのヘッダーの途中でファイルが終わっています"),
         &M::ReasonHeaderCut},
        {"ReasonNegativeWidth", "REASONS", "NEGATIVE_WIDTH", QStringLiteral("幅が負の数です（%1）"),
         &M::ReasonNegativeWidth},
        {"ReasonBitCount", "REASONS", "BIT_COUNT",
         QStringLiteral("1 画素 %1 ビットには対応していません"), &M::ReasonBitCount},
        {"ReasonCompression", "REASONS", "COMPRESSION",
         QStringLiteral("圧縮形式 %1 には対応していません"), &M::ReasonCompression},
        {"ReasonRleBits", "REASONS", "RLE_BITS",
         QStringLiteral("1 画素 %2 ビットの RLE%1 には対応していません"), &M::ReasonRleBits},
        {"ReasonDataInHeaders", "REASONS", "DATA_IN_HEADERS",
         QStringLiteral("画素データの始まりがヘッダーの中を指しています"), &M::ReasonDataInHeaders},
        {"ReasonDataBeyondFile", "REASONS", "DATA_BEYOND_FILE",
         QStringLiteral("%2 バイトのファイルで画素データの始まりが %1 バイト目を指しています"),
         &M::ReasonDataBeyondFile},
        {"ReasonRunLengthEnds", "REASONS", "RUN_LENGTH_ENDS",
         QStringLiteral("最後の行の前で圧縮データが終わっています"), &M::ReasonRunLengthEnds},
        {"ReasonNotReadHere", "REASONS", "NOT_READ_HERE",
         QStringLiteral("読み込める画像ではありません"), &M::ReasonNotReadHere},
        {"ReasonFileEmpty", "REASONS", "FILE_EMPTY", QStringLiteral("ファイルが空です"),
         &M::ReasonFileEmpty},
        {"ReasonNotKind", "REASONS", "NOT_KIND", QStringLiteral("%1 ファイルではありません"),
         &M::ReasonNotKind},
        {"ReasonNotPngBmpGif", "REASONS", "NOT_PNG_BMP_GIF",
         QStringLiteral("PNG、BMP、GIF のどれでもありません"), &M::ReasonNotPngBmpGif},
        {"ReasonNotPngBmp", "REASONS", "NOT_PNG_BMP", QStringLiteral("PNG でも BMP でもありません"),
         &M::ReasonNotPngBmp},
        {"ReasonGifError", "REASONS", "GIF_ERROR", QStringLiteral("GIF の読み込みエラー %1"),
         &M::ReasonGifError},
        {"ReasonPcxUnreadable", "REASONS", "PCX_UNREADABLE",
         QStringLiteral("ファイルを読み込めません"), &M::ReasonPcxUnreadable},
        {"ReasonPcxShort", "REASONS", "PCX_SHORT",
         QStringLiteral("128 バイトのヘッダーと 768 バイトのパレットより短いです"),
         &M::ReasonPcxShort},
        {"ReasonPcxNotRle", "REASONS", "PCX_NOT_RLE",
         QStringLiteral(
             "ランレングスの PCX ではありません（Manufacturer は 10、Encoding は 1 のはずです）"),
         &M::ReasonPcxNotRle},
        {"ReasonPcxNot8Bit", "REASONS", "PCX_NOT_8BIT",
         QStringLiteral("8 ビット 1 プレーンの画像ではありません（BitsPerPixel は 8、NPlanes は 1 "
                        "のはずです）"),
         &M::ReasonPcxNot8Bit},
        {"ReasonPcxSizeBeyond", "REASONS", "PCX_SIZE_BEYOND",
         QStringLiteral("画像の大きさが画素データで埋められる大きさを超えています"),
         &M::ReasonPcxSizeBeyond},
        {"ReasonPcxDataEnds", "REASONS", "PCX_DATA_ENDS",
         QStringLiteral("画像が埋まる前に圧縮データが終わっています"), &M::ReasonPcxDataEnds},
        {"ReasonPcxMemory", "REASONS", "PCX_MEMORY",
         QStringLiteral("画像のためのメモリが足りません"), &M::ReasonPcxMemory},
        {"ReasonFileTooLarge", "REASONS", "FILE_TOO_LARGE",
         QStringLiteral("ファイルが大きすぎます"), &M::ReasonFileTooLarge},
    }};
    return entries;
}

QString CatalogReason(const MessageCatalog &catalog, const QString &reason)
{
    const auto match = [&](const char *english, QString MessageCatalog::*member) {
        // %1, %2... stand for what a reason names, in that order.
        const QStringList words =
            QString::fromUtf8(english).split(QRegularExpression(QStringLiteral("%\\d")));
        QString pattern = QRegularExpression::escape(words.front());
        for (qsizetype i = 1; i < words.size(); ++i)
            pattern += QStringLiteral("(.*)") + QRegularExpression::escape(words[i]);
        const QRegularExpressionMatch found =
            QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$')).match(reason);
        if (!found.hasMatch())
            return std::optional<QString>();
        // A reason may hold another, as a line's does.
        QString text = catalog.*member;
        for (int i = 1; i <= found.lastCapturedIndex(); ++i)
            text.replace(QStringLiteral("%") + QString::number(i),
                         CatalogReason(catalog, found.captured(i)));
        return std::optional(text);
    };
    for (const KnownReason &known : kKnown)
        if (const std::optional<QString> text = match(known.english, known.member))
            return *text;
    for (const auto &[english, member] : TableReasons())
        if (const std::optional<QString> text = match(english, member))
            return *text;
    return reason;
}
