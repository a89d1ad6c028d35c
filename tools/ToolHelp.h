#pragma once

#include <QString>

#include <optional>

// Every command's synopsis and the kinds of file they take.
QString ToolUsage();

// The usage, then each command's options.
QString ToolHelp();

// One command's synopsis and options; nothing for an unknown command.
std::optional<QString> CommandHelp(const QString &command);
