#include "shell/OpenFiles.h"

#include "image/ImageFormats.h"
#include "image/PcxReader.h"
#include "platform/Platform.h"
#include "shell/Forms.h"
#include "shell/frmMain.h"
#include "shell/mdlGlobal.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// A PCX header's first four bytes as PCX writers set them; an ACT file can
// start the same way only by chance, and then its name says so.
bool LooksLikeImage(const QByteArray &bytes, const QString &path)
{
    switch (DetectImageFormat(bytes)) {
    case ImageFormat::Png:
    case ImageFormat::Bmp:
    case ImageFormat::Gif:
        return true;
    case ImageFormat::Pcx:
        return bytes.size() >= 4 && QByteArray("\0\2\3\4\5", 5).contains(bytes[1]) &&
               quint8(bytes[2]) <= 1 && QByteArray("\1\2\4\x8").contains(bytes[3]) &&
               !path.endsWith(QLatin1String(".act"), Qt::CaseInsensitive);
    case ImageFormat::Unknown:
        break;
    }
    return false;
}

QStringList LocalFiles(const QMimeData *mime)
{
    QStringList paths;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

class FileDrops : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto *e = static_cast<QDropEvent *>(event);
            if (!LocalFiles(e->mimeData()).isEmpty()) {
                e->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto *e = static_cast<QDropEvent *>(event);
            const QStringList paths = LocalFiles(e->mimeData());
            if (!paths.isEmpty()) {
                e->acceptProposedAction();
                // Out of the drop's own handling before any message box.
                OpenFilesLater(paths);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool OpenFileByContent(const QString &path)
{
    const std::optional<QByteArray> bytes =
        QFileInfo(path).isFile() ? ReadWholeFile(path) : std::nullopt;
    if (!bytes) {
        ThePlatform().messageBox(&FrmMain(),
                                 mdlGlobal::Catalog.MsgFileNotFound + QLatin1Char('\n') + path,
                                 Platform::Buttons::Ok);
        return false;
    }
    const QString full = QFileInfo(path).absoluteFilePath();
    return LooksLikeImage(*bytes, path) ? FrmMain().OpenPcx(full) : FrmMain().OpenAct(full);
}

void OpenFilesLater(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QTimer::singleShot(0, &FrmMain(), [paths] {
        for (const QString &path : paths)
            OpenFileByContent(path);
    });
}

void AcceptFileDrops(QWidget *window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(new FileDrops(window));
}
