// Peak memory of the editor opening a picture file twice, through its own
// open command's steps (read and check, decode, draw), offscreen. Reports the
// growth of the resident set beside the file and pixel sizes it holds.

#include "app/mdlGlobal.h"
#include "platform/QtPlatform.h"
#include "windows/Forms.h"
#include "windows/main/LoadPcxFile.h"
#include "windows/main/frmMain.h"
#include "windows/screen/DrawPcxImage.h"

#include <QApplication>
#include <QFileInfo>

#include <sys/resource.h>

#include <cstdio>

namespace {

// The desktop as the program has it, but a refusal's box, which nobody could
// answer offscreen, ends the run with its text instead.
class Unattended final : public Platform {
public:
    Answer messageBox(QWidget *, const QString &text, Buttons) override
    {
        std::printf(
            "{\"refused\": \"%s\"}\n",
            qPrintable(
                QString(text).replace(u'\n', u' ').replace(u'"', u'\'').replace(u'\\', u'/')));
        std::fflush(stdout);
        std::_Exit(1);
    }
    std::optional<QString> openFileDialog(QWidget *p, const FileDialog &d) override
    {
        return qt.openFileDialog(p, d);
    }
    std::optional<QString> saveFileDialog(QWidget *p, const FileDialog &d) override
    {
        return qt.saveFileDialog(p, d);
    }
    QString clipboardText() override { return qt.clipboardText(); }
    void setClipboardText(const QString &text) override { qt.setClipboardText(text); }
    void setCursorPos(const QPoint &pos) override { qt.setCursorPos(pos); }
    bool startSystemMove(QWidget *window) override { return qt.startSystemMove(window); }
    void endProcess() override { qt.endProcess(); }

private:
    QtPlatform qt;
};

long long MaxRssBytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (long long)u.ru_maxrss * 1024;
}

void Open(const QString &path)
{
    LoadPcxFile(path);
    DecodePcxImage();
    DrawPcxImage();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_peak_open IMAGE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Unattended platform;
    SetPlatform(&platform);
    FrmMain().Form_Load();
    FrmMain().show();
    QApplication::processEvents();

    const QString path = QString::fromLocal8Bit(argv[1]);
    const long long file = QFileInfo(path).size();
    const long long before = MaxRssBytes();
    Open(path);
    const long long first = MaxRssBytes() - before;
    const long long pixels = (long long)mdlGlobal::PcxImage.width() * mdlGlobal::PcxImage.height();
    Open(path);
    const long long second = MaxRssBytes() - before;
    std::printf("{\"file\": %lld, \"pixels\": %lld, \"first\": %lld, \"second\": %lld}\n", file,
                pixels, first, second);
    std::fflush(stdout);
    std::_Exit(0);
}
