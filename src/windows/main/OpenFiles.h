#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// An image opens as "&PCX Open" would open it, anything else as Open opens a
// palette; the content decides, not the name. A file that is not there is
// reported, not created.
bool OpenFileByContent(const QString &path);

// Named files, in order, once the windows are up.
void OpenFilesLater(const QStringList &paths);

// Files dropped on the window open as above.
void AcceptFileDrops(QWidget *window);
