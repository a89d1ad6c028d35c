// Arbitrary bytes through the PCX reader, the adjust layouts and a small drawing.

#include "Require.h"
#include "formats/PcxReader.h"
#include "model/PcxAdjust.h"
#include "model/Render.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const DecodedPicture pcx =
        ReadPcx(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!pcx.accepted()) {
        Require(pcx.decoded.empty() && pcx.palette.isEmpty());
        return 0;
    }
    Require(qint64(pcx.decoded.size()) == pcx.header.pixelCount());
    Require(pcx.image.pixels == pcx.decoded && pcx.palette.size() == kPaletteSize);
    PcxImage image = pcx.image;
    for (int step : {1, -1, -1, 1}) {
        if (std::optional<PcxImage> next = AdjustPcxLayout(pcx.decoded, image, step)) {
            Require(next->UB2 == image.UB2);
            Require(next->pixels == pcx.decoded); // a view, not a copy
            image = std::move(*next);
        }
    }
    const int f = 1 + data[size - 1] % 4;
    const int ox = data[size - 2] % (image.width() + 2), oy = data[size - 3] % (image.height() + 2);
    std::vector<quint32> raster(40 * 30, 0);
    FillView(reinterpret_cast<uchar *>(raster.data()), 40 * 4, 40, 30, image,
             BuildColorTable(PalletArray{}, int(data[size - 4]) - 1), DrawView{ox, oy, 41, 31, f});
    return 0;
}
