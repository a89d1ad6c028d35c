#include "windows/kit/TextCommit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

TextCommit::TextCommit(QObject *parent, std::vector<QLineEdit *> boxes,
                       std::function<bool(int)> lostFocus, std::function<void(int)> gotFocus)
    : QObject(parent), boxes(std::move(boxes)), lostFocus(std::move(lostFocus)),
      gotFocus(std::move(gotFocus))
{
    for (QLineEdit *box : this->boxes)
        box->installEventFilter(this);
}

bool TextCommit::eventFilter(QObject *watched, QEvent *event)
{
    if (swallowPointer) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // A second press means the release of the first went to the
            // message box: this one is the user's next click.
            if (!pressSwallowed) {
                pressSwallowed = true;
                return true;
            }
            stopSwallowing();
            break;
        case QEvent::MouseMove:
            return true;
        case QEvent::MouseButtonRelease:
            stopSwallowing();
            return true;
        default:
            break;
        }
    }
    const bool returnKey = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter);
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut && !returnKey)
        return false;
    for (int k = 0; k < static_cast<int>(boxes.size()); ++k) {
        if (watched != boxes[k])
            continue;
        // An accepted Return goes on, so that a dialog's default button
        // still takes it.
        if (returnKey)
            return !commit(k);
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (event->type() == QEvent::FocusIn) {
            if (gotFocus)
                gotFocus(k);
        } else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (!commit(k) && reason == Qt::MouseFocusReason && !swallowPointer) {
                swallowPointer = true;
                pressSwallowed = false;
                qApp->installEventFilter(this);
            }
        }
        break;
    }
    return false;
}

bool TextCommit::commit(int k)
{
    QLineEdit *box = boxes[std::size_t(k)];
    if (!lostFocus(k)) {
        SelectWholeText(box, int(box->text().size()));
        return false;
    }
    // Committed: the undo keys go to the palette's history again.
    box->setModified(false);
    return true;
}

void TextCommit::stopSwallowing()
{
    swallowPointer = false;
    qApp->removeEventFilter(this);
}

void SelectWholeText(QLineEdit *box, int length)
{
    QMetaObject::invokeMethod(
        box, [box, length] { box->setSelection(0, length); }, Qt::QueuedConnection);
}
