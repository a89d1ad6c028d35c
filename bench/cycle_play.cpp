// Colour cycling played in the editor's own windows, offscreen: a 380 x 250
// picture at 400 % in a 1520 x 1000 drawing area, every entry in one range
// turning 60 steps a second. Reports the frames drawn against the steps due
// and the processor time the play took, for a few seconds of it.
//   bench_cycle_play [SECONDS]

#include "app/mdlGlobal.h"
#include "model/ScrollMath.h"
#include "platform/QtPlatform.h"
#include "windows/Forms.h"
#include "windows/main/frmMain.h"
#include "app/CyclePlayer.h"
#include "windows/palette/frmPallet.h"
#include "windows/screen/DrawPcxImage.h"
#include "windows/screen/frmPCX.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kWidth = 380;
constexpr int kHeight = 250;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtPlatform platform;
    SetPlatform(&platform);
    FrmMain().Form_Load();
    FrmMain().show();

    auto bytes = std::make_unique<quint8[]>(std::size_t(kWidth) * kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i)
        bytes[std::size_t(i)] = quint8((i % kWidth + i / kWidth) % 256);
    mdlGlobal::PcxDecodedBytes = PixelBuffer(std::move(bytes), std::size_t(kWidth) * kHeight);
    mdlGlobal::PcxImage = PcxImage(mdlGlobal::PcxDecodedBytes, kWidth, kHeight, kWidth);
    for (int i = 0; i < kPalletEntries; ++i)
        mdlGlobal::Pallet[std::size_t(i)].set(quint8(i), quint8(255 - i), quint8(i * 7));
    mdlGlobal::Cycles = {{0, 255, 60.0, false, true}};
    FrmPCX().resize(kWidth * 4 + kScrollBarThickness, kHeight * 4 + kScrollBarThickness);
    FrmMain().sldZoom->setValue(400);
    DrawPcxImage();
    QApplication::processEvents();

    const quint8 *pixels = mdlGlobal::PcxImage.pixels.data();
    QElapsedTimer wall;
    const double cpuBefore = CpuSeconds();
    wall.start();
    ThePlayer().toggle();
    QTimer::singleShot(int(seconds * 1000), &app, [&] {
        const double elapsed = wall.nsecsElapsed() / 1e9;
        const double cpu = CpuSeconds() - cpuBefore;
        const qint64 drawn = ThePlayer().framesDrawn();
        ThePlayer().stop();
        std::printf("{\"view\": \"%dx%d\", \"seconds\": %.2f, \"due\": %lld, \"drawn\": %lld, "
                    "\"cpu_percent\": %.1f, \"cpu_ms_per_frame\": %.2f, \"same_pixels\": %s}\n",
                    FrmPCX().raster().width() - kScrollBarThickness,
                    FrmPCX().raster().height() - kScrollBarThickness, elapsed,
                    (long long)(elapsed * 60), (long long)drawn, 100 * cpu / elapsed,
                    drawn ? 1000 * cpu / double(drawn) : 0.0,
                    pixels == mdlGlobal::PcxImage.pixels.data() ? "true" : "false");
        std::fflush(stdout);
        std::_Exit(0);
    });
    return app.exec();
}
