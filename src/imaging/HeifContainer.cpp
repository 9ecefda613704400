#include "HeifContainer.h"

#include <QIODevice>

#include <algorithm>
#include <iterator>

namespace imaging {

namespace {

// The 'meta' box of a photo holds item lists of a few kilobytes; larger ones are not read.
constexpr qint64 MaxMetaBytes = 16 << 20;
// Files start with 'ftyp' and 'meta' and hold a handful of boxes at the top level.
constexpr int MaxTopLevelBoxes = 64;
// A coded tile or picture larger than this is not copied out.
constexpr quint64 MaxItemBytes = 256 << 20;
// A grid's rows and columns are each at most 256 by their encoding.
constexpr int MaxGridSide = 256;

// Big-endian integers read out of a byte range, refusing to leave it.
class Bytes {
public:
    explicit Bytes(QByteArrayView data) : data(data) {}
    bool read(int bytes, quint64& value) {
        if (bytes < 0 || bytes > data.size() - at) {
            return false;
        }
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            value = (value << 8) | quint8(data[at++]);
        }
        return true;
    }
    bool read32(int bytes, quint32& value) {
        quint64 v = 0;
        const bool ok = read(bytes, v) && v <= 0xFFFFFFFFu;
        value = quint32(v);
        return ok;
    }
    bool fourCc(QByteArray& type) {
        if (data.size() - at < 4) {
            return false;
        }
        type = data.sliced(at, 4).toByteArray();
        at += 4;
        return true;
    }
    // A full box's version and flags.
    bool versionAndFlags(quint64& version, quint64& flags) {
        return read(1, version) && read(3, flags);
    }
    QByteArrayView rest() const { return data.sliced(at); }

private:
    QByteArrayView data;
    qsizetype at = 0;
};

struct Box {
    QByteArrayView type;
    QByteArrayView body;
    QByteArrayView whole;
};

// The header of a box: its type, the size of the header and the size of the whole box (0: up
// to the end of what contains it).
struct BoxHeader {
    QByteArray type;
    int headerSize = 8;
    quint64 size = 0;
};

bool ReadBoxHeader(QByteArrayView bytes, BoxHeader& header) {
    Bytes in(bytes);
    if (!in.read(4, header.size) || !in.fourCc(header.type)) {
        return false;
    }
    header.headerSize = 8;
    if (header.size == 1) {
        if (!in.read(8, header.size)) {
            return false;
        }
        header.headerSize = 16;
    }
    return header.size == 0 || header.size >= quint64(header.headerSize);
}

// Splits the next box off `rest`; false at the end or on damage.
bool NextBox(QByteArrayView& rest, Box& box) {
    BoxHeader header;
    if (!ReadBoxHeader(rest, header)) {
        return false;
    }
    const quint64 size = header.size == 0 ? quint64(rest.size()) : header.size;
    if (size > quint64(rest.size())) {
        return false;
    }
    box.whole = rest.first(qsizetype(size));
    box.body = box.whole.sliced(header.headerSize);
    box.type = box.whole.sliced(4, 4);
    rest = rest.sliced(qsizetype(size));
    return true;
}

bool FindBox(QByteArrayView children, const char* type, QByteArrayView& body) {
    Box box;
    while (NextBox(children, box)) {
        if (box.type == type) {
            body = box.body;
            return true;
        }
    }
    return false;
}

// The body of the top-level 'meta' box, found without reading the picture data.
bool ReadMetaBox(QIODevice& file, QByteArray& meta) {
    qint64 at = 0;
    for (int i = 0; i < MaxTopLevelBoxes && file.seek(at); ++i) {
        BoxHeader header;
        if (!ReadBoxHeader(file.read(16), header)) {
            return false;
        }
        if (header.size > quint64(file.size() - at)) {
            return false;
        }
        const qint64 size = header.size == 0 ? file.size() - at : qint64(header.size);
        if (header.type == "meta") {
            const qint64 body = size - header.headerSize;
            if (body > MaxMetaBytes || !file.seek(at + header.headerSize)) {
                return false;
            }
            meta = file.read(body);
            return meta.size() == body;
        }
        at += size;
    }
    return false;
}

bool ReadItemTypes(QByteArrayView iinf, std::vector<HeifItem>& items) {
    Bytes in(iinf);
    quint64 version = 0, flags = 0, count = 0;
    if (!in.versionAndFlags(version, flags) || !in.read(version == 0 ? 2 : 4, count)) {
        return false;
    }
    QByteArrayView entries = in.rest();
    Box box;
    for (quint64 i = 0; i < count && NextBox(entries, box); ++i) {
        Bytes infe(box.body);
        quint64 infeVersion = 0, infeFlags = 0, id = 0, protection = 0;
        QByteArray type;
        if (box.type != "infe" || !infe.versionAndFlags(infeVersion, infeFlags) ||
            infeVersion < 2) {
            continue;  // older entries name no item type
        }
        if (!infe.read(infeVersion == 2 ? 2 : 4, id) || !infe.read(2, protection) ||
            !infe.fourCc(type)) {
            return false;
        }
        for (HeifItem& item : items) {
            if (item.id == id) {
                item.type = type;
            }
        }
    }
    return true;
}

bool ReadLocations(QByteArrayView iloc, std::vector<HeifItem>& items) {
    Bytes in(iloc);
    quint64 version = 0, flags = 0, sizes = 0, moreSizes = 0, count = 0;
    if (!in.versionAndFlags(version, flags) || version > 2 || !in.read(1, sizes) ||
        !in.read(1, moreSizes) || !in.read(version < 2 ? 2 : 4, count)) {
        return false;
    }
    const int offsetSize = int(sizes >> 4), lengthSize = int(sizes & 15);
    const int baseSize = int(moreSizes >> 4), indexSize = version >= 1 ? int(moreSizes & 15) : 0;
    for (int size : {offsetSize, lengthSize, baseSize, indexSize}) {
        if (size != 0 && size != 4 && size != 8) {
            return false;
        }
    }
    for (quint64 i = 0; i < count; ++i) {
        HeifItem item;
        quint64 id = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!in.read(version < 2 ? 2 : 4, id) || (version >= 1 && !in.read(2, method)) ||
            !in.read(2, reference) || !in.read(baseSize, base) || !in.read(2, extents)) {
            return false;
        }
        item.id = quint32(id);
        item.construction = int(method & 15);
        for (quint64 e = 0; e < extents; ++e) {
            quint64 index = 0, offset = 0, length = 0;
            if (!in.read(indexSize, index) || !in.read(offsetSize, offset) ||
                !in.read(lengthSize, length)) {
                return false;
            }
            if (offset > ~quint64(0) - base) {
                return false;
            }
            item.extents.push_back({base + offset, length});
        }
        if (reference == 0) {  // other references point into other files
            items.push_back(std::move(item));
        }
    }
    return true;
}

bool ReadAssociations(QByteArrayView iprp, std::vector<HeifItem>& items) {
    Box box;
    while (NextBox(iprp, box)) {
        if (box.type != "ipma") {
            continue;
        }
        Bytes in(box.body);
        quint64 version = 0, flags = 0, entries = 0;
        if (!in.versionAndFlags(version, flags) || !in.read(4, entries)) {
            return false;
        }
        const bool wide = flags & 1;
        for (quint64 e = 0; e < entries; ++e) {
            quint64 id = 0, count = 0;
            if (!in.read(version < 1 ? 2 : 4, id) || !in.read(1, count)) {
                return false;
            }
            HeifItem* item = nullptr;
            for (HeifItem& candidate : items) {
                if (candidate.id == id) {
                    item = &candidate;
                }
            }
            for (quint64 a = 0; a < count; ++a) {
                quint64 value = 0;
                if (!in.read(wide ? 2 : 1, value)) {
                    return false;
                }
                const quint64 index = value & (wide ? 0x7FFF : 0x7F);
                if (item && index != 0) {  // 0 stands for no property
                    item->properties.push_back(quint32(index - 1));
                    item->essential.push_back(value & (wide ? 0x8000 : 0x80));
                }
            }
        }
    }
    return true;
}

// The items that `from` is derived from ('dimg' references), in order.
bool ReadDerivations(QByteArrayView iref, quint32 from, std::vector<quint32>& to) {
    Bytes refs(iref);
    quint64 version = 0, flags = 0;
    if (!refs.versionAndFlags(version, flags)) {
        return false;
    }
    QByteArrayView references = refs.rest();
    const int idSize = version == 0 ? 2 : 4;
    for (Box box; NextBox(references, box);) {
        Bytes in(box.body);
        quint64 id = 0, count = 0;
        if (box.type != "dimg" || !in.read(idSize, id) || id != from || !in.read(2, count)) {
            continue;
        }
        for (quint64 i = 0; i < count; ++i) {
            if (!in.read(idSize, id)) {
                return false;
            }
            to.push_back(quint32(id));
        }
    }
    return true;
}

// A turn or mirror as a matrix on coordinates about the centre, y pointing down.
struct Dihedral {
    int a = 1, b = 0, c = 0, d = 1;
    // This transform followed by `next`.
    Dihedral then(const Dihedral& next) const {
        return {next.a * a + next.b * c, next.a * b + next.b * d, next.c * a + next.d * c,
                next.c * b + next.d * d};
    }
    bool operator==(const Dihedral&) const = default;
};

constexpr Dihedral Anticlockwise{0, 1, -1, 0};
constexpr Dihedral Clockwise{0, -1, 1, 0};
constexpr Dihedral LeftRight{-1, 0, 0, 1};
constexpr Dihedral TopBottom{1, 0, 0, -1};

// The toolkit's transformation that does the same: it mirrors, then flips, then turns clockwise.
QImageIOHandler::Transformations ToolkitTransformation(const Dihedral& wanted) {
    for (int flags = 0; flags < 8; ++flags) {
        const auto t = QImageIOHandler::Transformations(flags);
        Dihedral m;
        if (t.testFlag(QImageIOHandler::TransformationMirror)) {
            m = m.then(LeftRight);
        }
        if (t.testFlag(QImageIOHandler::TransformationFlip)) {
            m = m.then(TopBottom);
        }
        if (t.testFlag(QImageIOHandler::TransformationRotate90)) {
            m = m.then(Clockwise);
        }
        if (m == wanted) {
            return t;
        }
    }
    return QImageIOHandler::TransformationNone;  // not reached: the eight cover every case
}

QByteArrayView BoxType(const QByteArray& box) {
    return QByteArrayView(box).sliced(4, 4);
}

// The size an 'ispe' property records.
std::optional<QSize> SpatialExtent(const QByteArray& box) {
    Bytes in(QByteArrayView(box).sliced(8));
    quint64 version = 0, flags = 0, width = 0, height = 0;
    if (BoxType(box) != "ispe" || !in.versionAndFlags(version, flags) || !in.read(4, width) ||
        !in.read(4, height) || width == 0 || height == 0 || width > 0x7FFFFFFF ||
        height > 0x7FFFFFFF) {
        return std::nullopt;
    }
    return QSize(int(width), int(height));
}

}  // namespace

bool IsHeifFile(QByteArrayView start) {
    if (start.size() < 16 || start.sliced(4, 4) != QByteArrayView("ftyp")) {
        return false;
    }
    static const QByteArrayView pictures[] = {"heic", "heix", "hevc", "hevx", "heim",
                                              "heis", "hevm", "hevs", "avif", "avis"};
    const auto isPicture = [](QByteArrayView brand) {
        return std::find(std::begin(pictures), std::end(pictures), brand) != std::end(pictures);
    };
    const QByteArrayView major = start.sliced(8, 4);
    if (isPicture(major)) {
        return true;
    }
    if (major != QByteArrayView("mif1") && major != QByteArrayView("msf1")) {
        return false;
    }
    // The compatible brands follow the minor version, to the end of the box.
    const qsizetype end = std::min<qsizetype>(
        start.size(), qsizetype(quint8(start[0])) << 24 | qsizetype(quint8(start[1])) << 16 |
                          qsizetype(quint8(start[2])) << 8 | qsizetype(quint8(start[3])));
    for (qsizetype at = 16; at + 4 <= end; at += 4) {
        if (isPicture(start.sliced(at, 4))) {
            return true;
        }
    }
    return false;
}

bool HeifContainer::read(QIODevice& file) {
    *this = {};
    QByteArray metaBox;
    if (!ReadMetaBox(file, metaBox)) {
        return false;
    }
    Bytes fullBox(metaBox);
    quint64 version = 0, flags = 0, id = 0;
    QByteArrayView pitm, iinf, iloc, iprp, ipco;
    if (!fullBox.versionAndFlags(version, flags)) {
        return false;
    }
    const QByteArrayView meta = fullBox.rest();
    if (!FindBox(meta, "pitm", pitm) || !FindBox(meta, "iinf", iinf) ||
        !FindBox(meta, "iloc", iloc) || !FindBox(meta, "iprp", iprp) ||
        !FindBox(iprp, "ipco", ipco)) {
        return false;
    }
    Bytes primaryBox(pitm);
    if (!primaryBox.versionAndFlags(version, flags) || !primaryBox.read(version == 0 ? 2 : 4, id)) {
        return false;
    }
    primaryId = quint32(id);
    QByteArrayView data;
    if (FindBox(meta, "idat", data)) {
        idat = data.toByteArray();
    }
    for (Box box; NextBox(ipco, box);) {
        properties.push_back(box.whole.toByteArray());
    }
    QByteArrayView iref;
    return ReadLocations(iloc, items) && ReadItemTypes(iinf, items) &&
           ReadAssociations(iprp, items) && primary() != nullptr &&
           (!FindBox(meta, "iref", iref) || ReadDerivations(iref, primaryId, gridTiles));
}

const HeifItem* HeifContainer::item(quint32 id) const {
    for (const HeifItem& candidate : items) {
        if (candidate.id == id) {
            return &candidate;
        }
    }
    return nullptr;
}

HeifTransforms HeifContainer::transforms(const HeifItem& of) const {
    Dihedral turn;
    for (const quint32 index : of.properties) {
        if (index >= properties.size()) {
            continue;
        }
        const QByteArray& property = properties[index];
        const QByteArrayView type = BoxType(property);
        if (type == "clap") {
            return {};
        }
        if ((type == "irot" || type == "imir") && property.size() > 8) {
            const int value = quint8(property[8]);
            if (type == "irot") {
                for (int k = 0; k < (value & 3); ++k) {
                    turn = turn.then(Anticlockwise);
                }
            } else {
                // As libheif and the cameras that write it read it: 1 mirrors left and right.
                turn = turn.then((value & 1) ? LeftRight : TopBottom);
            }
        }
    }
    return {true, ToolkitTransformation(turn)};
}

std::optional<HeifGrid> HeifContainer::grid(QIODevice& file) const {
    const HeifItem* gridItem = primary();
    if (!gridItem || gridItem->type != "grid") {
        return std::nullopt;
    }
    HeifGrid grid;
    grid.tiles = gridTiles;
    // The grid's own data: version, flags, rows - 1, columns - 1, output width and height.
    const QByteArray gridData = itemData(file, *gridItem);  // the reader only views it
    Bytes in(gridData);
    quint64 gridVersion = 0, gridFlags = 0, rows = 0, columns = 0, width = 0, height = 0;
    if (!in.read(1, gridVersion) || !in.read(1, gridFlags) || !in.read(1, rows) ||
        !in.read(1, columns) || !in.read((gridFlags & 1) ? 4 : 2, width) ||
        !in.read((gridFlags & 1) ? 4 : 2, height) || gridVersion != 0) {
        return std::nullopt;
    }
    grid.rows = int(rows) + 1;
    grid.columns = int(columns) + 1;
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
        grid.rows > MaxGridSide || grid.columns > MaxGridSide ||
        grid.tiles.size() != size_t(grid.rows) * size_t(grid.columns)) {
        return std::nullopt;
    }
    grid.size = QSize(int(width), int(height));
    // Every tile is a coded picture of one size, and together they cover the output.
    for (const quint32 tileId : grid.tiles) {
        const HeifItem* tile = item(tileId);
        if (!tile || (tile->type != "hvc1" && tile->type != "av01")) {
            return std::nullopt;
        }
        std::optional<QSize> size;
        for (const quint32 index : tile->properties) {
            if (index < properties.size() && !size) {
                size = SpatialExtent(properties[index]);
            }
        }
        if (!size || (grid.tileSize.isValid() && *size != grid.tileSize)) {
            return std::nullopt;
        }
        grid.tileSize = *size;
    }
    const auto covers = [](qint64 tiles, qint64 tile, qint64 output) {
        return (tiles - 1) * tile < output && output <= tiles * tile;
    };
    if (!covers(grid.columns, grid.tileSize.width(), width) ||
        !covers(grid.rows, grid.tileSize.height(), height)) {
        return std::nullopt;
    }
    return grid;
}

QByteArray HeifContainer::itemData(QIODevice& file, const HeifItem& of) const {
    quint64 total = 0;
    for (const HeifExtent& extent : of.extents) {
        if (extent.length == 0 || extent.length > MaxItemBytes - total) {
            return {};
        }
        total += extent.length;
    }
    QByteArray data;
    data.reserve(qsizetype(total));
    for (const HeifExtent& extent : of.extents) {
        if (of.construction == 1) {
            if (extent.offset > quint64(idat.size()) ||
                extent.length > quint64(idat.size()) - extent.offset) {
                return {};
            }
            data += QByteArrayView(idat).sliced(qsizetype(extent.offset), qsizetype(extent.length));
        } else if (of.construction == 0) {
            if (extent.offset > quint64(file.size()) ||
                extent.length > quint64(file.size()) - extent.offset ||
                !file.seek(qint64(extent.offset))) {
                return {};
            }
            const QByteArray part = file.read(qint64(extent.length));
            if (part.size() != qsizetype(extent.length)) {
                return {};
            }
            data += part;
        } else {
            return {};
        }
    }
    return data;
}

QByteArray HeifContainer::singleItemFile(QIODevice& file, const HeifItem& of) const {
    const QByteArray data = itemData(file, of);
    std::vector<quint32> own = of.properties;
    std::vector<bool> essential = of.essential;
    // The colour description often sits only on the grid.
    const auto hasColour = [&](const std::vector<quint32>& list) {
        for (const quint32 index : list) {
            if (index < properties.size() && BoxType(properties[index]) == "colr") {
                return true;
            }
        }
        return false;
    };
    if (!hasColour(own) && primary()) {
        for (const quint32 index : primary()->properties) {
            if (index < properties.size() && BoxType(properties[index]) == "colr") {
                own.push_back(index);
                essential.push_back(false);
            }
        }
    }
    if (data.isEmpty() || own.size() > 255) {
        return {};
    }
    const QByteArray brand = of.type == "av01" ? "avif" : "heic";
    HeifBoxWriter w;
    w.beginPictureFile(brand, 1);
    w.openFull("iinf", 0, 0);
    w.u16(1);
    w.openFull("infe", 2, 0);
    w.u16(1);
    w.u16(0);
    w.raw(of.type);
    w.u8(0);
    w.close();
    w.close();
    w.open("iprp");
    w.open("ipco");
    for (const quint32 index : own) {
        if (index >= properties.size()) {
            return {};
        }
        w.raw(properties[index]);
    }
    w.close();
    w.openFull("ipma", 0, 1);
    w.u32(1);
    w.u16(1);
    w.u8(quint32(own.size()));
    for (size_t i = 0; i < own.size(); ++i) {
        w.u16((essential[i] ? 0x8000 : 0) | quint32(i + 1));
    }
    w.close();
    w.close();
    // One extent in the 'mdat' box that follows.
    w.openFull("iloc", 0, 0);
    w.u8(0x44);
    w.u8(0);
    w.u16(1);
    w.u16(1);
    w.u16(0);
    w.u16(1);
    const qsizetype offsetAt = w.size();
    w.u32(0);
    w.u32(quint32(data.size()));
    w.close();
    w.close();
    w.open("mdat");
    w.patch32(offsetAt, quint32(w.size()));
    w.raw(data);
    w.close();
    return w.bytes;
}

void HeifBoxWriter::open(const char* type) {
    starts.push_back(bytes.size());
    u32(0);
    bytes += QByteArrayView(type, 4);
}

void HeifBoxWriter::openFull(const char* type, int version, quint32 flags) {
    open(type);
    u8(quint32(version));
    u8(flags >> 16);
    u8(flags >> 8);
    u8(flags);
}

void HeifBoxWriter::close() {
    const qsizetype start = starts.back();
    starts.pop_back();
    patch32(start, quint32(bytes.size() - start));
}

void HeifBoxWriter::beginPictureFile(QByteArrayView brand, quint32 primaryId) {
    open("ftyp");
    raw(brand);
    u32(0);
    raw("mif1");
    raw(brand);
    close();
    openFull("meta", 0, 0);
    openFull("hdlr", 0, 0);
    u32(0);
    raw("pict");
    for (int i = 0; i < 3; ++i) {
        u32(0);
    }
    u8(0);
    close();
    openFull("pitm", 0, 0);
    u16(primaryId);
    close();
}

void HeifBoxWriter::u16(quint32 v) {
    u8(v >> 8);
    u8(v);
}

void HeifBoxWriter::u32(quint32 v) {
    u16(v >> 16);
    u16(v);
}

void HeifBoxWriter::patch32(qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
    }
}

}  // namespace imaging
