#pragma once

#include "platform/Platform.h"

// "Act Files (*.act)|*.act|" -> "Act Files (*.act)": Qt reads the patterns
// from the parentheses that end a filter, so a description that already ends
// in its pattern is shown as written; any other gets the pattern appended.
QString QtNameFilters(const QString &filter);

class QtPlatform final : public Platform {
public:
    // Under X, a window whose title is empty shows no caption at all.
    QtPlatform();
    Answer messageBox(QWidget *parent, const QString &text, Buttons buttons) override;
    std::optional<QString> openFileDialog(QWidget *parent, const FileDialog &dialog) override;
    std::optional<QString> saveFileDialog(QWidget *parent, const FileDialog &dialog) override;
    std::optional<std::pair<QString, int>>
    saveFileDialogWithFilter(QWidget *parent, const FileDialog &dialog) override;
    std::optional<std::pair<QString, int>>
    openFileDialogWithFilter(QWidget *parent, const FileDialog &dialog) override;
    QStringList openFilesDialog(QWidget *parent, const QString &title) override;
    std::optional<QString> folderDialog(QWidget *parent, const QString &title) override;
    QString clipboardText() override;
    void setClipboardImage(const QImage &image) override;
    void setClipboardText(const QString &text) override;
    void setCursorPos(const QPoint &globalPos) override;
    bool startSystemMove(QWidget *window) override;
    void endProcess() override;
    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &prompt,
                                   const QString &text) override;
    std::optional<QColor> pickColor(QWidget *parent, const QString &title, const QColor &initial,
                                    const std::function<void(const QColor &)> &live,
                                    const Placer &place) override;

private:
    bool onX = false;
};
