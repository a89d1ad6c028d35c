#pragma once

#include <QColor>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class QImage;
class QWidget;

// Everything the windows need from the desktop beyond their own widgets.
// The Qt implementation talks to the real desktop; tests script it.
class Platform : public QObject {
    Q_OBJECT
public:
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    struct FileDialog {
        QString title;
        // Description and pattern, each ended by '|': "Act Files (*.act)|*.act|".
        QString filter;
        QString defaultName;
        bool confirmOverwrite = false;
        // More entries offered after `filter`, written the same way.
        QString moreFilters = {};
        // The entry selected when the dialog opens, 0 the first of all.
        int initialFilter = 0;
        // Entries offered before `filter`: one that takes every kind the
        // command reads comes first and is the one selected by default.
        QString leadingFilters = {};
    };

    virtual ~Platform() = default;

    // Titled "Palmiro", no icon.
    virtual Answer messageBox(QWidget *parent, const QString &text, Buttons buttons) = 0;
    // The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openFileDialog(QWidget *parent, const FileDialog &dialog) = 0;
    virtual std::optional<QString> saveFileDialog(QWidget *parent, const FileDialog &dialog) = 0;

    // As saveFileDialog, with the index of the filter entry chosen (0 the
    // first of leadingFilters, filter, moreFilters), or -1 when the platform
    // cannot tell.
    virtual std::optional<std::pair<QString, int>>
    saveFileDialogWithFilter(QWidget *parent, const FileDialog &dialog)
    {
        const std::optional<QString> path = saveFileDialog(parent, dialog);
        if (!path)
            return std::nullopt;
        return std::make_pair(*path, -1);
    }

    // As openFileDialog, with the filter entry chosen numbered the same way.
    virtual std::optional<std::pair<QString, int>>
    openFileDialogWithFilter(QWidget *parent, const FileDialog &dialog)
    {
        const std::optional<QString> path = openFileDialog(parent, dialog);
        if (!path)
            return std::nullopt;
        return std::make_pair(*path, -1);
    }

    // Several files to read, none when cancelled. A platform without a chooser gives none.
    virtual QStringList openFilesDialog(QWidget *parent, const QString &title)
    {
        (void)parent, (void)title;
        return {};
    }
    // A folder to write into, or nothing when cancelled.
    virtual std::optional<QString> folderDialog(QWidget *parent, const QString &title)
    {
        (void)parent, (void)title;
        return std::nullopt;
    }

    // A line of text asked for, starting at `text`; nothing when cancelled.
    virtual std::optional<QString> askText(QWidget *parent, const QString &title,
                                           const QString &prompt, const QString &text)
    {
        (void)parent, (void)title, (void)prompt, (void)text;
        return std::nullopt;
    }

    // clipboardChanged() follows every change of the clipboard's content.
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString &text) = 0;
    virtual void setClipboardImage(const QImage &) {}

    virtual void setCursorPos(const QPoint &globalPos) = 0;
    // From a left press on the window: the window follows the pointer until
    // the button is released.
    virtual bool startSystemMove(QWidget *window) = 0;
    // Ends the process at once; nothing further runs.
    virtual void endProcess() = 0;
    // Where a window of the given frame size goes: its frame's top left.
    using Placer = std::function<QPoint(const QSize &)>;
    // A colour chooser starting at `initial`; `live` hears every colour tried
    // while it is open; `place`, when given, puts it. The chosen colour, or
    // nothing when cancelled. A platform without one cancels.
    virtual std::optional<QColor> pickColor(QWidget *parent, const QString &title,
                                            const QColor &initial,
                                            const std::function<void(const QColor &)> &live,
                                            const Placer &place)
    {
        (void)parent, (void)title, (void)initial, (void)live, (void)place;
        return std::nullopt;
    }

signals:
    void clipboardChanged();
};

// The title every message box carries; the settings file cannot change it.
inline const QString kAppTitle = QStringLiteral("Palmiro");

// The platform every window reaches these through: the real one, or a
// scripted one in tests.
Platform &ThePlatform();
void SetPlatform(Platform *platform);
