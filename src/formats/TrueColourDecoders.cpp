// Truecolour PNG through libpng and JPEG through libjpeg, rows decoded
// straight into the caller's buffer. Neither library prints: their errors
// come back as text.

#include "formats/PngSession.h"
#include "formats/RowDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// The steps that may longjmp back out of libpng: no local needs a destructor.
bool SetRgbaOutput(png_structp png, PngHeader &h)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    h.passes = png_set_interlace_handling(png);
    CountPngRows(png, h);
    return true;
}

// libpng's row buffers are allocated here, when the rows are first asked for.
bool StartRows(png_structp png, png_infop info, png_uint_32 width)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_update_info(png, info);
    StateOf(png).inRows = true;
    if (png_get_rowbytes(png, info) != std::size_t(width) * 4)
        png_error(png, "rows of an unexpected size");
    return true;
}

bool ReadPngRowsAt(png_structp png, png_bytepp rows, int count, int passes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (int pass = 0; pass < passes; ++pass)
        png_read_rows(png, rows, nullptr, png_uint_32(count));
    return true;
}

class PngRows : public RowDecoder {
public:
    explicit PngRows(QByteArrayView file) : source(file)
    {
        state.source = &source;
        if (PngHasNoPixel(file)) {
            refuse(ImageRefusal::Empty, QStringLiteral("the picture has no pixel"));
            return;
        }
        if (!StartPngRead(guard, state, true)) {
            refuse(ImageRefusal::TooLarge, QStringLiteral("out of memory"));
            return;
        }
        PngHeader h;
        if (!ReadPngHeader(guard.png, guard.info, h)) {
            failed(true);
            return;
        }
        if (!sizeHolds(h.width, h.height))
            return;
        if (!SetRgbaOutput(guard.png, h)) {
            failed(false);
            return;
        }
        width = int(h.width);
        height = int(h.height);
        passes = h.passes;
        inOrder = passes == 1;
    }

    bool read(std::uint8_t *out, int rows) override
    {
        if (refusal != ImageRefusal::None)
            return false;
        if (!started) {
            started = StartRows(guard.png, guard.info, png_uint_32(width));
            if (!started) {
                failed(false);
                return false;
            }
        }
        std::vector<png_bytep> at(std::size_t(std::max(rows, 0)));
        for (std::size_t y = 0; y < at.size(); ++y)
            at[y] = out + y * std::size_t(width) * 4;
        // Each Adam7 pass adds its pixels to rows already there: the whole
        // picture in one call.
        if (!ReadPngRowsAt(guard.png, at.data(), rows, passes)) {
            failed(false);
            return false;
        }
        return true;
    }

private:
    void failed(bool header)
    {
        const ImageRead why = RefusePng(state, header);
        refuse(why.refusal, why.detail);
    }

    ByteSource source;
    PngState state;
    PngReadGuard guard;
    int passes = 1;
    bool started = false;
};

// jpeg_error_mgr first, so that libjpeg's pointer to it is one to this.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool ranOut = false;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void OnJpegError(j_common_ptr info)
{
    auto *e = reinterpret_cast<JpegError *>(info->err);
    info->err->format_message(info, e->message);
    std::longjmp(e->jump, 1);
}

// A file cut short is refused once a row needs the data it lacks: one that
// lacks only its end marker is whole. Other warnings (stray bytes between
// markers) leave the picture as libjpeg decodes it, as viewers show it.
void OnJpegMessage(j_common_ptr info, int level)
{
    auto *e = reinterpret_cast<JpegError *>(info->err);
    if (level >= 0)
        return;
    if (info->err->msg_code == JWRN_JPEG_EOF)
        e->ranOut = true;
    else if (info->err->msg_code == JWRN_HIT_MARKER && e->ranOut)
        OnJpegError(info);
}

void Unprinted(j_common_ptr) {}

bool ReadJpegHeader(jpeg_decompress_struct &info, JpegError &e, QByteArrayView file)
{
    if (setjmp(e.jump))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(file.data()),
                 static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    return true;
}

bool StartJpeg(jpeg_decompress_struct &info, JpegError &e)
{
    if (setjmp(e.jump))
        return false;
    // CMYK has no conversion to RGB in libjpeg; it is turned row by row.
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    return true;
}

// Inverted CMYK, as Adobe writes it and other readers take every CMYK JPEG.
void CmykToRgba(std::uint8_t *row, int width)
{
    for (int x = 0; x < width; ++x, row += 4) {
        const int k = row[3];
        row[0] = std::uint8_t(row[0] * k / 255);
        row[1] = std::uint8_t(row[1] * k / 255);
        row[2] = std::uint8_t(row[2] * k / 255);
        row[3] = 255;
    }
}

bool ReadJpegRowsAt(jpeg_decompress_struct &info, JpegError &e, std::uint8_t *out, int rows)
{
    if (setjmp(e.jump))
        return false;
    const std::size_t stride = std::size_t(info.output_width) * 4;
    for (int y = 0; y < rows; ++y) {
        JSAMPROW row = out + std::size_t(y) * stride;
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            ERREXIT(&info, JERR_INPUT_EOF);
        if (info.out_color_space == JCS_CMYK)
            CmykToRgba(row, int(info.output_width));
    }
    return true;
}

class JpegRows : public RowDecoder {
public:
    explicit JpegRows(QByteArrayView file)
    {
        info.err = jpeg_std_error(&error.mgr);
        error.mgr.error_exit = OnJpegError;
        error.mgr.emit_message = OnJpegMessage;
        error.mgr.output_message = Unprinted;
        if (!ReadJpegHeader(info, error, file)) {
            failed();
            return;
        }
        if (!sizeHolds(info.image_width, info.image_height))
            return;
        if (!StartJpeg(info, error) || info.output_components != 4) {
            failed();
            return;
        }
        width = int(info.output_width);
        height = int(info.output_height);
    }
    ~JpegRows() override { jpeg_destroy_decompress(&info); }

    bool read(std::uint8_t *out, int rows) override
    {
        if (refusal != ImageRefusal::None)
            return false;
        if (!ReadJpegRowsAt(info, error, out, rows)) {
            failed();
            return false;
        }
        return true;
    }

private:
    void failed()
    {
        const int code = error.mgr.msg_code;
        if (error.ranOut)
            refuse(ImageRefusal::Truncated,
                   QStringLiteral("the file ends before the picture is complete"));
        else if (code == JERR_EMPTY_IMAGE)
            refuse(ImageRefusal::Empty, QStringLiteral("the picture has no pixel"));
        else if (code == JERR_OUT_OF_MEMORY || code == JERR_IMAGE_TOO_BIG)
            refuse(ImageRefusal::TooLarge, QString::fromLatin1(error.message));
        else
            refuse(ImageRefusal::Unreadable, QString::fromLatin1(error.message));
    }

    jpeg_decompress_struct info{};
    JpegError error{};
};

} // namespace

bool RowDecoder::sizeHolds(qint64 w, qint64 h)
{
    const ImageRefusal why = CheckImageSize(w, h);
    if (why != ImageRefusal::None)
        refuse(why, why == ImageRefusal::Empty ? QStringLiteral("the picture has no pixel")
                                               : TooLargeText(w, h, false));
    return why == ImageRefusal::None;
}

std::unique_ptr<RowDecoder> OpenPngRows(QByteArrayView file)
{
    return std::make_unique<PngRows>(file);
}

std::unique_ptr<RowDecoder> OpenJpegRows(QByteArrayView file)
{
    return std::make_unique<JpegRows>(file);
}
