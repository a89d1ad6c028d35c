#pragma once

#include <QString>
#include <QStringList>

// The convert command's arguments after its name. The exit status, or -1
// with usageProblem set when the command line is wrong.
int Convert(const QStringList &args, QString &usageProblem);
