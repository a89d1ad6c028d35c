#include "platform/QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

namespace {

// "Act Files (*.act)|*.act|" -> "Act Files (*.act) (*.act)"; Qt wants the
// pattern inside parentheses, the description stays as written.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> runDialog(QWidget *parent, const Platform::FileDialog &d, bool save)
{
    QFileDialog dialog(parent, d.title, QString(), qtFilter(d.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialog does not require the file to exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !d.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!d.defaultName.isEmpty())
        dialog.selectFile(d.defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace

Platform::Answer QtPlatform::messageBox(QWidget *parent, const QString &text, Buttons buttons)
{
    QMessageBox box(
        QMessageBox::NoIcon, kAppTitle, text,
        buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<QString> QtPlatform::openFileDialog(QWidget *parent, const FileDialog &dialog)
{
    return runDialog(parent, dialog, false);
}

std::optional<QString> QtPlatform::saveFileDialog(QWidget *parent, const FileDialog &dialog)
{
    return runDialog(parent, dialog, true);
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
    QWindow *handle = window->window()->windowHandle();
    return handle && handle->startSystemMove();
}

void QtPlatform::endProcess()
{
    std::exit(0);
}
