// The texts that say what keeps a file from being read or written.

#include "app/MessageCatalog.h"

const std::array<CatalogEntry, 8> &FileCatalogEntries()
{
    using M = MessageCatalog;
    static const std::array<CatalogEntry, 8> entries{{
        {"MsgFileIsFolder", "FILES", "FILE_IS_FOLDER",
         QStringLiteral("これはフォルダーです。ファイルを選んでください。"), &M::MsgFileIsFolder},
        {"MsgFileIsPipe", "FILES", "FILE_IS_PIPE",
         QStringLiteral("これは名前付きパイプです。ファイルを選んでください。"), &M::MsgFileIsPipe},
        {"MsgFileIsDevice", "FILES", "FILE_IS_DEVICE",
         QStringLiteral("これはデバイスです。ファイルを選んでください。"), &M::MsgFileIsDevice},
        {"MsgFileIsSocket", "FILES", "FILE_IS_SOCKET",
         QStringLiteral("これはソケットです。ファイルを選んでください。"), &M::MsgFileIsSocket},
        {"MsgFileNoPermission", "FILES", "FILE_NO_PERMISSION",
         QStringLiteral("このファイルを開く権限がありません。"), &M::MsgFileNoPermission},
        {"MsgFileReadError", "FILES", "FILE_READ_ERROR",
         QStringLiteral("ファイルを読み込めません。"), &M::MsgFileReadError},
        {"MsgFileWriteError", "FILES", "FILE_WRITE_ERROR",
         QStringLiteral("ファイルに書き込めません。"), &M::MsgFileWriteError},
        {"MsgSettingsIgnored", "FILES", "SETTINGS_IGNORED",
         QStringLiteral(
             "設定ファイル %1 は 1 MiB 以下の通常のファイルではないため、既定の設定で始めます。"),
         &M::MsgSettingsIgnored},
    }};
    return entries;
}

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
