#pragma once

#include "SkinModel.h"

#include <QString>

#include <memory>

class ZipArchive;

// Caps that keep a hostile package from filling the disk or the memory. A package over
// them is a load error before anything is extracted.
struct PackageLimits {
    qint64 entryBytes = 64LL * 1024 * 1024;
    qint64 totalBytes = 256LL * 1024 * 1024;
};

// Index of the first entry whose file name equals `name`, ASCII letter case ignored; -1
// when there is none.
qint64 FindPackageEntry(const ZipArchive& package, const QString& name);

// Builds the skin that the package at `path` describes and extracts every file of the
// package into TempFolder, replacing files of the same name. Raises std::runtime_error.
std::unique_ptr<TSkin> LoadSkin(const QString& path, const PackageLimits& limits = {});

// The skin's display name, read from the description alone; writes nothing.
QString ReadSkinName(const QString& path, const PackageLimits& limits = {});
