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
    if (paths.empty())
        return std::nullopt;
    auto p = paths.front();
    paths.pop_front();
    return p;
}

std::optional<QString> ScriptedPlatform::saveFileDialog(QWidget *, const FileDialog &dialog)
{
    dialogs << Dialog{true, dialog};
    if (paths.empty())
        return std::nullopt;
    auto p = paths.front();
    paths.pop_front();
    return p;
}

QStringList ScriptedPlatform::messageTexts() const
{
    QStringList out;
    for (const Message &m : messages)
        out << m.text;
    return out;
}
