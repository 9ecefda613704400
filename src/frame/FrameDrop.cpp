#include "FrameDrop.h"

#include "core/GlobalsUnit.h"
#include "photos/FilesUnit.h"

#include <QDir>
#include <QFileInfo>

DroppedItem ClassifyDrop(const QList<QUrl>& urls) {
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return {};
    }
    const QString path = urls.front().toLocalFile();
    const QFileInfo info(path);
    DropKind kind = DropKind::None;
    if (info.isDir()) {
        kind = DropKind::Folder;
    } else if (info.isFile()) {
        const PackageKind package = PackageKindOf(info.fileName());
        if (package == PackageKind::Skin) {
            kind = DropKind::Skin;
        } else if (package == PackageKind::Locale) {
            kind = DropKind::Locale;
        } else if (TFiles::IsPhotoFile(info.fileName())) {
            kind = DropKind::Photo;
        }
    }
    if (kind == DropKind::None) {
        return {};
    }
    return {kind, QDir::toNativeSeparators(path)};
}
