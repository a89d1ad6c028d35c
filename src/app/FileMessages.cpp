// The messages that say what keeps a file from being read or written.

#include "app/MessageCatalog.h"

QString FileMessage(const MessageCatalog &catalog, const QString &path, const FileError &error)
{
    using M = MessageCatalog;
    QString M::*text = &M::MsgFileReadError;
    switch (error.problem) {
    case FileProblem::Missing:
        text = &M::MsgFileNotFound;
        break;
    case FileProblem::Folder:
        text = &M::MsgFileIsFolder;
        break;
    case FileProblem::Pipe:
        text = &M::MsgFileIsPipe;
        break;
    case FileProblem::Device:
        text = &M::MsgFileIsDevice;
        break;
    case FileProblem::Socket:
        text = &M::MsgFileIsSocket;
        break;
    case FileProblem::Permission:
        text = &M::MsgFileNoPermission;
        break;
    case FileProblem::WriteError:
        text = &M::MsgFileWriteError;
        break;
    case FileProblem::None:
    case FileProblem::ReadError:
        break;
    }
    QString message = catalog.*text + QLatin1Char('\n') + path;
    if (!error.reason.isEmpty())
        message += QLatin1Char('\n') + CatalogReason(catalog, error.reason);
    return message;
}

QString ImageSaveFailedMessage(const MessageCatalog &catalog, const QString &path,
                               const FileError &error)
{
    return catalog.MsgImageSaveFailed + QLatin1Char('\n') +
           (error ? FileMessage(catalog, path, error) : path);
}
