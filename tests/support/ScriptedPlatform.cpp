#include "ScriptedPlatform.h"

Platform::Answer ScriptedPlatform::messageBox(QWidget *, const QString &text, Buttons buttons)
{
    messages << Message{text, buttons};
    if (whileMessageShown)
        whileMessageShown(text);
    const Answer a = answers.empty() ? Answer::Ok : answers.front();
    if (!answers.empty())
        answers.pop_front();
    return a;
}

std::optional<QString> ScriptedPlatform::nextPath()
{
    if (paths.empty())
        return std::nullopt;
    const std::optional<QString> path = paths.front();
    paths.pop_front();
    return path;
}
