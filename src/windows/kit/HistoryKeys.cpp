#include "windows/kit/HistoryKeys.h"

#include "app/CyclePlayer.h"
#include "app/Document.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

namespace {

const QKeySequence kUndo(Qt::CTRL | Qt::Key_Z);
const QKeySequence kRedo(Qt::CTRL | Qt::Key_Y);
const QKeySequence kRedoShift(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

// A box asks to keep the keys before any shortcut sees them; it is told no
// while its text is committed (unmodified since it was last set or left).
class CommittedBoxesPassKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *box = qobject_cast<QLineEdit *>(watched);
        const QKeySequence keys(static_cast<QKeyEvent *>(event)->keyCombination());
        if (!box || box->isModified() || (keys != kUndo && keys != kRedo && keys != kRedoShift))
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void AddHistoryKeys(QWidget *window)
{
    auto add = [window](const QKeySequence &keys, bool undo) {
        auto *shortcut = new QShortcut(keys, window);
        QObject::connect(shortcut, &QShortcut::activated, window, [undo] {
            QUndoStack &stack = TheDocument().History().stack();
            undo ? stack.undo() : stack.redo();
        });
    };
    add(kUndo, true);
    add(kRedo, false);
    add(kRedoShift, false);
    // Every window that undoes also plays the cycling.
    AddPlayKey(window);
    auto *filter = new CommittedBoxesPassKeys(window);
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        box->installEventFilter(filter);
}

void AddPlayKey(QWidget *window)
{
    auto *key = new QShortcut(QKeySequence(Qt::Key_F5), window);
    QObject::connect(key, &QShortcut::activated, window, [] { ThePlayer().toggle(); });
}
