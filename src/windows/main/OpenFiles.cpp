#include "windows/main/OpenFiles.h"

#include "app/mdlGlobal.h"
#include "base/FileAccess.h"
#include "formats/ImageFormats.h"
#include "platform/Platform.h"
#include "windows/main/MainForms.h"
#include "windows/main/frmMain.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

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
    QFile file;
    if (const FileError error = OpenRegularFile(path, file)) {
        ThePlatform().messageBox(&FrmMain(), FileMessage(mdlGlobal::Catalog, path, error),
                                 Platform::Buttons::Ok);
        return false;
    }
    const QString full = QFileInfo(path).absoluteFilePath();
    // The kind shows in the first bytes; the open itself reads the file once.
    return IsImageFile(file.read(256), path) ? FrmMain().OpenPcx(full) : FrmMain().OpenAct(full);
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
