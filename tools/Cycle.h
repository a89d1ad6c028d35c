#pragma once

#include "convert/Nearest.h"

#include <QString>
#include <QStringList>

// The cycle command's arguments after its name: the exit status, or -1 with
// usageProblem set when the command line is wrong.
int Cycle(const QStringList &args, QString &usageProblem);

// Drops the entries of the ranges that are on in the picture `path` from the
// candidates. False, with why, when none is left.
bool LeaveOutCycled(const QString &path, Candidates &candidates, QString &why);
