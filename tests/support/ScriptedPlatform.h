#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

// Answers the windows' questions from a queue and records what was asked.
// Unanswered message boxes get Ok; unanswered file dialogs are cancelled.
class ScriptedPlatform final : public Platform {
public:
    struct Message {
        QString text;
        Buttons buttons;
    };

    std::deque<Answer> answers;
    std::deque<std::optional<QString>> paths;
    std::deque<std::optional<QString>> texts; // askText's answers; none cancels
    QList<Message> messages;
    QList<FileDialog> dialogs;
    QString clipboard;
    QList<QPoint> cursorMoves;
    int systemMoves = 0;
    int endProcessCalls = 0;
    // Runs while a message box is "open", before it is answered.
    std::function<void(const QString &)> whileMessageShown;
    using Live = std::function<void(const QColor &)>;
    // Plays the colour chooser: tries colours through live, then answers.
    // Unset, the chooser is cancelled.
    std::function<std::optional<QColor>(const QColor &initial, const Live &live)> colourChooser;

    Answer messageBox(QWidget *parent, const QString &text, Buttons buttons) override;
    std::optional<QString> openFileDialog(QWidget *, const FileDialog &d) override
    {
        return dialogs << d, nextPath();
    }
    std::optional<QString> saveFileDialog(QWidget *, const FileDialog &d) override
    {
        return dialogs << d, nextPath();
    }
    int filter = -1; // the filter entry every file dialog reports as chosen
    std::optional<std::pair<QString, int>> saveFileDialogWithFilter(QWidget *w,
                                                                    const FileDialog &d) override
    {
        const std::optional<QString> path = saveFileDialog(w, d);
        return path ? std::optional(std::pair(*path, filter)) : std::nullopt;
    }
    std::optional<std::pair<QString, int>> openFileDialogWithFilter(QWidget *w,
                                                                    const FileDialog &d) override
    {
        const std::optional<QString> path = openFileDialog(w, d);
        return path ? std::optional(std::pair(*path, filter)) : std::nullopt;
    }
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString &text) override { clipboard = text, clipboardChanged(); }
    void setCursorPos(const QPoint &globalPos) override { cursorMoves << globalPos; }
    bool startSystemMove(QWidget *) override { return ++systemMoves; }
    void endProcess() override { ++endProcessCalls; }
    std::optional<QString> askText(QWidget *, const QString &, const QString &,
                                   const QString &) override
    {
        if (texts.empty())
            return std::nullopt;
        const std::optional<QString> t = texts.front();
        return texts.pop_front(), t;
    }
    std::optional<QColor> pickColor(QWidget *, const QString &, const QColor &initial,
                                    const Live &live, const Placer &) override
    {
        return colourChooser ? colourChooser(initial, live) : std::nullopt;
    }

private:
    std::optional<QString> nextPath();
};
