#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImageIOHandler>
#include <QSize>

#include <optional>
#include <vector>

class QIODevice;

// The item structure of a HEIF or AVIF file, read from its 'meta' box without the picture data,
// and single items copied out as files of their own. Internal to imaging: libheif reads the
// coded pictures, this reader finds them.
namespace imaging {

// Whether the start of a file (its first 64 bytes will do) names a HEIF brand: HEIC, AVIF and
// their image sequences, or the general brands together with one of those.
bool IsHeifFile(QByteArrayView start);

struct HeifExtent {
    quint64 offset = 0;
    quint64 length = 0;
};

struct HeifItem {
    quint32 id = 0;
    QByteArray type;       // "hvc1", "av01", "grid", ...
    int construction = 0;  // 0: extents are file offsets; 1: offsets in the 'idat' box
    std::vector<HeifExtent> extents;
    std::vector<quint32> properties;  // indices into HeifContainer::properties, in order
    std::vector<bool> essential;
};

// The turn and mirror of an item. `known` is false when the item has a transform this reader
// does not map (a crop).
struct HeifTransforms {
    bool known = false;
    QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
};

// A grid item: tiles of one size, row by row, cut to the output size at the right and bottom.
struct HeifGrid {
    int rows = 0;
    int columns = 0;
    QSize size;
    QSize tileSize;
    std::vector<quint32> tiles;
};

class HeifContainer {
public:
    // Reads the 'meta' box of the file; false when there is none or it is damaged.
    bool read(QIODevice& file);

    const HeifItem* item(quint32 id) const;
    const HeifItem* primary() const { return item(primaryId); }
    HeifTransforms transforms(const HeifItem& item) const;
    // The primary item as a grid of coded tiles, when it is one this reader can take apart.
    std::optional<HeifGrid> grid(QIODevice& file) const;

    // The item's bytes; empty when they cannot be read or are absurdly large.
    QByteArray itemData(QIODevice& file, const HeifItem& item) const;
    // A file that holds only this coded item, as its primary picture, with its properties:
    // what libheif needs to decode a tile on its own.
    QByteArray singleItemFile(QIODevice& file, const HeifItem& item) const;

    // Each property box whole, header included.
    std::vector<QByteArray> properties;

private:
    std::vector<HeifItem> items;
    quint32 primaryId = 0;
    std::vector<quint32> gridTiles;
    QByteArray idat;
};

// Writes boxes: a box's size is filled in when it is closed.
class HeifBoxWriter {
public:
    void open(const char* type);
    void openFull(const char* type, int version, quint32 flags);
    void close();
    // The file type box, then the meta box left open with its handler and primary item.
    void beginPictureFile(QByteArrayView brand, quint32 primaryId);
    void u8(quint32 v) { bytes += char(v & 0xFF); }
    void u16(quint32 v);
    void u32(quint32 v);
    void raw(QByteArrayView data) { bytes += data; }
    qsizetype size() const { return bytes.size(); }
    // Replaces four bytes written earlier.
    void patch32(qsizetype at, quint32 v);
    QByteArray bytes;

private:
    std::vector<qsizetype> starts;
};

}  // namespace imaging
