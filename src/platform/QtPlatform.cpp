#include "platform/QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCursor>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, qstrlen(name), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Qt hands X the application name for a window whose title is empty, so
// that the main window while shown and the New dialog would read "Palmiro".
// Each time Qt has written the name of such a window, it is emptied again.
class EmptyCaptions : public QObject {
public:
    explicit EmptyCaptions(xcb_connection_t *connection)
        : QObject(qApp), connection(connection), netWmName(internAtom(connection, "_NET_WM_NAME")),
          utf8String(internAtom(connection, "UTF8_STRING"))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show && event->type() != QEvent::WindowTitleChange)
            return false;
        const auto *w = qobject_cast<QWidget *>(watched);
        // The id of a window already made; asking winId() could make one.
        if (w && w->isWindow() && w->windowTitle().isEmpty() && w->internalWinId()) {
            const auto window = static_cast<xcb_window_t>(w->internalWinId());
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, netWmName, utf8String, 8,
                                0, nullptr);
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                                XCB_ATOM_STRING, 8, 0, nullptr);
            xcb_flush(connection);
        }
        return false;
    }

private:
    xcb_connection_t *connection;
    xcb_atom_t netWmName;
    xcb_atom_t utf8String;
};

// Moves a window with the pointer until the button is released. The
// window manager's own move (QWindow::startSystemMove) sometimes starts from
// the press's window coordinates taken as screen coordinates under X, which
// throws the window across the screen.
class PointerDrag : public QObject {
public:
    explicit PointerDrag(QWidget *window)
        : QObject(qApp), window(window), anchor(QCursor::pos() - window->pos())
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseMove) {
            const auto *e = static_cast<QMouseEvent *>(event);
            if (window && (e->buttons() & Qt::LeftButton))
                window->move(e->globalPosition().toPoint() - anchor);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease || !window) {
            deleteLater();
            qApp->removeEventFilter(this);
        }
        return false;
    }

private:
    QPointer<QWidget> window;
    QPoint anchor;
};

std::optional<QString> runDialog(QWidget *parent, const Platform::FileDialog &d, bool save,
                                 int *chosenFilter = nullptr)
{
    QFileDialog dialog(parent, d.title, QString(),
                       QtNameFilters(d.leadingFilters + d.filter + d.moreFilters));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialog does not require the file to exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !d.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (d.initialFilter > 0 && d.initialFilter < dialog.nameFilters().size())
        dialog.selectNameFilter(dialog.nameFilters()[d.initialFilter]);
    if (!d.defaultName.isEmpty())
        dialog.selectFile(d.defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    if (chosenFilter)
        *chosenFilter = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    return dialog.selectedFiles().first();
}

} // namespace

QtPlatform::QtPlatform()
{
    // The offscreen platform answers for X too, with no connection.
    const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection()) {
        onX = true;
        new EmptyCaptions(x11->connection());
    }
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &Platform::clipboardChanged);
}

QString QtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString inParentheses = QLatin1Char('(') + parts[i + 1] + QLatin1Char(')');
        out << (parts[i].endsWith(inParentheses) ? parts[i]
                                                 : parts[i] + QLatin1Char(' ') + inParentheses);
    }
    return out.join(QStringLiteral(";;"));
}

Platform::Answer QtPlatform::messageBox(QWidget *parent, const QString &text, Buttons buttons)
{
    // A carriage return alone ends a line of a message; Qt breaks lines only
    // at line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(
        QMessageBox::NoIcon, kAppTitle, shown,
        buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    const Answer answer = box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    // The window manager hands the focus to a window of its choosing when the
    // box goes; the user goes on in the window the box was shown over.
    if (parent)
        parent->window()->activateWindow();
    return answer;
}

std::optional<QString> QtPlatform::openFileDialog(QWidget *parent, const FileDialog &dialog)
{
    return runDialog(parent, dialog, false);
}

std::optional<QString> QtPlatform::saveFileDialog(QWidget *parent, const FileDialog &dialog)
{
    return runDialog(parent, dialog, true);
}

std::optional<std::pair<QString, int>>
QtPlatform::saveFileDialogWithFilter(QWidget *parent, const FileDialog &dialog)
{
    int chosen = -1;
    const std::optional<QString> path = runDialog(parent, dialog, true, &chosen);
    if (!path)
        return std::nullopt;
    return std::make_pair(*path, chosen);
}

std::optional<std::pair<QString, int>>
QtPlatform::openFileDialogWithFilter(QWidget *parent, const FileDialog &dialog)
{
    int chosen = -1;
    const std::optional<QString> path = runDialog(parent, dialog, false, &chosen);
    if (!path)
        return std::nullopt;
    return std::make_pair(*path, chosen);
}

QStringList QtPlatform::openFilesDialog(QWidget *parent, const QString &title)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

std::optional<QString> QtPlatform::folderDialog(QWidget *parent, const QString &title)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void QtPlatform::setClipboardImage(const QImage &image)
{
    QGuiApplication::clipboard()->setImage(image);
}

QString QtPlatform::clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

void QtPlatform::setClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

void QtPlatform::setCursorPos(const QPoint &globalPos)
{
    QCursor::setPos(globalPos);
}

bool QtPlatform::startSystemMove(QWidget *window)
{
    // Elsewhere only the compositor may place a window; a platform with no
    // move of its own is left to the pointer.
    QWindow *handle = window->window()->windowHandle();
    if (!onX && handle && handle->startSystemMove())
        return true;
    new PointerDrag(window->window());
    return true;
}

void QtPlatform::endProcess()
{
    // Out of the event loop at once, so no further handler runs; leaving
    // through main lets Qt hand a palette on the clipboard to the desktop's
    // clipboard keeper.
    for (QWidget *w : QApplication::topLevelWidgets())
        w->hide();
    QCoreApplication::exit(0);
}

std::optional<QString> QtPlatform::askText(QWidget *parent, const QString &title,
                                           const QString &prompt, const QString &text)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QColor> QtPlatform::pickColor(QWidget *parent, const QString &title,
                                            const QColor &initial,
                                            const std::function<void(const QColor &)> &live,
                                            const Placer &place)
{
    QColorDialog dialog(initial, parent);
    dialog.setWindowTitle(title);
    // A desktop's own chooser may not report the colours tried.
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (place) {
        dialog.adjustSize();
        // Not framed yet: its frame is taken to be as thick as its parent's.
        QSize frame = dialog.size();
        if (parent) {
            const QWidget *framed = parent->window();
            frame += framed->frameGeometry().size() - framed->size();
        }
        dialog.move(place(frame));
    }
    QObject::connect(&dialog, &QColorDialog::currentColorChanged, &dialog,
                     [&live](const QColor &c) { live(c); });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedColor();
}
