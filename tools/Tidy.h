#pragma once

#include <QString>
#include <QStringList>

// The tidy command's arguments after its name. The exit status, or -1 with
// usageProblem set when the command line is wrong.
int Tidy(const QStringList &args, QString &usageProblem);
