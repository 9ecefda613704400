#pragma once

#include "SkinModel.h"

#include <QString>

#include <memory>

class ZipArchive;

// Caps that keep a hostile package from filling the disk, the memory or the time of a load.
// Real skins stay far below every one (the bundled ones: 5 entries, a description of 400
// bytes, 4 layers, sides up to 434 pixels). A package over them is a load error, found
// before the work they guard is done.
struct PackageLimits {
    qint64 entryBytes = 64LL * 1024 * 1024;
    qint64 totalBytes = 256LL * 1024 * 1024;
    qint64 entries = 256;
    qint64 descriptionBytes = 64 * 1024;
    qsizetype layers = 64;
    // Canvas, photo area and layer images have sides from 1 to this; positions lie within
    // plus or minus this. Half the frame's canvas limit, and 8 times the largest frame the
    // zoom steps show, so no arithmetic on them comes near the integer range.
    int side = 4096;
    // All layer images together, as decoded: four layers the size of the largest canvas.
    qint64 layerPixels = 64LL * 1024 * 1024;
};

// Index of the first entry whose file name equals `name`, ASCII letter case ignored; -1
// when there is none.
qint64 FindPackageEntry(const ZipArchive& package, const QString& name);

// Builds the skin that the package at `path` describes and extracts every file of the
// package into TempFolder, replacing files of the same name. Raises std::runtime_error.
std::unique_ptr<TSkin> LoadSkin(const QString& path, const PackageLimits& limits = {});

// The skin's display name, read from the description alone and only as far as the name;
// writes nothing.
QString ReadSkinName(const QString& path, const PackageLimits& limits = {});

// Where a layer's image lies once extracted: TempFolder and the file name without any
// folder part, so that a description cannot reach outside the folder.
QString LayerFilePath(const QString& fileName);
