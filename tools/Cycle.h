#pragma once

#include <QString>
#include <QStringList>

// The cycle command's arguments after its name: the exit status, or -1 with
// usageProblem set when the command line is wrong.
int Cycle(const QStringList &args, QString &usageProblem);
