#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One layer of a skin: an image drawn at its place above the photo.
struct TSkinLayer {
    QString FileName;
    qint32 X = 0;
    qint32 Y = 0;
    // Empty until the layer is first drawn; then the decoded image (premultiplied), or a null
    // image when it could not be decoded, which is not tried again for this skin.
    std::optional<QImage> Image;
};

// The skin model: the canvas size, the photo area, the layers and the caches of the
// composition. A skin loaded from a package is built by the skin package reader.
struct TSkin {
    std::vector<std::unique_ptr<TSkinLayer>> Layers;
    QString Name;
    qint32 Width = 0;
    qint32 Height = 0;
    qint32 AreaX = 0;
    qint32 AreaY = 0;
    qint32 AreaWidth = 0;
    qint32 AreaHeight = 0;
    // The prepared photo, (AreaWidth + 2) x (AreaHeight + 2), opaque; null until composed.
    QImage PhotoCache;
    QString PhotoCacheKey;
};
