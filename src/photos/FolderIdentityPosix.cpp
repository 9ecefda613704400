#include "FolderIdentity.h"

#include <QFile>

#include <sys/stat.h>

std::optional<FolderIdentity> IdentifyFolder(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FolderIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}
