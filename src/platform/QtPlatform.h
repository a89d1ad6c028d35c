#pragma once

#include "platform/Platform.h"

class QtPlatform final : public Platform {
public:
    Answer messageBox(QWidget *parent, const QString &text, Buttons buttons) override;
    std::optional<QString> openFileDialog(QWidget *parent, const FileDialog &dialog) override;
    std::optional<QString> saveFileDialog(QWidget *parent, const FileDialog &dialog) override;
    std::optional<std::pair<QString, int>>
    saveFileDialogWithFilter(QWidget *parent, const FileDialog &dialog) override;
    QString clipboardText() override;
    void setClipboardImage(const QImage &image) override;
    void setClipboardText(const QString &text) override;
    void setCursorPos(const QPoint &globalPos) override;
    bool startSystemMove(QWidget *window) override;
    void endProcess() override;
};
