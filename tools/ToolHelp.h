#pragma once

#include <QString>

#include <optional>

// Every command's synopsis and the kinds of file they take.
QString ToolUsage();

// The usage, then each command's options.
QString ToolHelp();

// One command's synopsis and options; nothing for an unknown command.
std::optional<QString> CommandHelp(const QString &command);

// One command's synopsis and where its options are told; every command's for an unknown one.
QString CommandUsage(const QString &command);
