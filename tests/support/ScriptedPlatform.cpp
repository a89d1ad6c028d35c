#include "ScriptedPlatform.h"

Platform::Answer ScriptedPlatform::messageBox(QWidget *, const QString &text, Buttons buttons)
{
    messages << Message{text, buttons};
    if (whileMessageShown)
        whileMessageShown(text);
    if (answers.empty())
        return Answer::Ok;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QString> ScriptedPlatform::openFileDialog(QWidget *, const FileDialog &dialog)
{
    dialogs << Dialog{false, dialog};
    return nextPath();
}

std::optional<QString> ScriptedPlatform::saveFileDialog(QWidget *, const FileDialog &dialog)
{
    dialogs << Dialog{true, dialog};
    return nextPath();
}

QStringList ScriptedPlatform::messageTexts() const
{
    QStringList out;
    for (const Message &m : messages)
        out << m.text;
    return out;
}

std::optional<QString> ScriptedPlatform::nextPath()
{
    if (paths.empty())
        return std::nullopt;
    const QString path = paths.front().value_or(QString());
    const bool cancelled = !paths.front().has_value();
    paths.pop_front();
    if (cancelled)
        return std::nullopt;
    return path;
}
