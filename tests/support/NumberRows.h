#pragma once

#include <QList>
#include <QtTest>

#include <initializer_list>

// One column "r" of whole numbers per row, the row named by them.
inline void Rows(std::initializer_list<QList<int>> rows)
{
    QTest::addColumn<QList<int>>("r");
    for (const QList<int> &r : rows) {
        QString name;
        for (int v : r)
            name += QString::number(v) + ' ';
        QTest::newRow(qPrintable(name)) << r;
    }
}
