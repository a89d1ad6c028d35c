#pragma once

#include <QString>
#include <QStringList>

// The tables command's arguments after its name. The exit status, or -1 with
// usageProblem set when the command line is wrong.
int Tables(const QStringList &args, QString &usageProblem);
