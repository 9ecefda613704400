#include "SkinPackage.h"

#include "ZipArchive.h"
#include "core/GlobalsUnit.h"
#include "imaging/Imaging.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>

#include <optional>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void Fail(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

// A package outside the limits: the message names the package file.
[[noreturn]] void FailLimit(const QString& path, const QString& text) {
    Fail(QStringLiteral("The skin package \"%1\" %2").arg(QFileInfo(path).fileName(), text));
}

void CheckEntryCount(const ZipArchive& package, const QString& path, const PackageLimits& limits) {
    if (package.count() > limits.entries) {
        FailLimit(path, QStringLiteral("has %1 entries; at most %2 are allowed")
                            .arg(package.count())
                            .arg(limits.entries));
    }
}

// Refuses, before anything is extracted, entries that could write outside the temporary
// folder or fill the disk.
void CheckEntries(const ZipArchive& package, const PackageLimits& limits) {
    qint64 total = 0;
    for (qint64 i = 0; i < package.count(); ++i) {
        if (package.isFolder(i)) {
            continue;
        }
        const QString name = package.fileName(i);
        if (name.isEmpty() || name == u"." || name == u"..") {
            Fail(QStringLiteral("The package entry \"%1\" has no usable file name")
                     .arg(package.entryName(i)));
        }
        const qint64 size = package.size(i);
        if (size > limits.entryBytes) {
            Fail(QStringLiteral("The package entry \"%1\" is too large (%2 bytes)")
                     .arg(package.entryName(i))
                     .arg(size));
        }
        total += size;
        if (total > limits.totalBytes) {
            Fail(QStringLiteral("The package is too large: its files hold more than %1 bytes")
                     .arg(limits.totalBytes));
        }
    }
}

QByteArray ExtractDescription(ZipArchive& package, const QString& path,
                              const PackageLimits& limits) {
    // Without a description the index is -1, which the reader refuses with its own text.
    const qint64 index = FindPackageEntry(package, QStringLiteral("skin.xml"));
    const qint64 size = package.size(index);
    if (size > limits.descriptionBytes) {
        FailLimit(path, QStringLiteral("has a skin.xml of %1 bytes; at most %2 are allowed")
                            .arg(size)
                            .arg(limits.descriptionBytes));
    }
    return package.extract(index);
}

// One element of the description: its path below the root, for error texts, and its
// attributes.
struct DescribedElement {
    QString path;
    QXmlStreamAttributes attributes;
};

// What the description says, as far as it was read. Of several children of the root with
// one name, the first counts.
struct Description {
    bool hasInfo = false;
    std::optional<QString> name;
    std::optional<DescribedElement> size;
    std::optional<DescribedElement> area;
    std::optional<std::vector<DescribedElement>> layers;
};

enum class ReadUntil { Name, End };

// Parses the description in one pass, without building a document: the parser reads the
// encoding from the byte-order mark or the declaration. With ReadUntil::Name it stops as
// soon as the name is known, so that the catalogue parses no more than it needs.
Description ParseDescription(const QByteArray& bytes, ReadUntil until, const QString& path,
                             const PackageLimits& limits) {
    QXmlStreamReader xml(bytes);
    xml.setNamespaceProcessing(false);  // element names are compared with their prefixes
    Description description;
    const auto failOnError = [&xml] {
        if (xml.hasError()) {
            Fail(QStringLiteral("Cannot parse skin.xml: %1 (line %2, column %3)")
                     .arg(xml.errorString())
                     .arg(xml.lineNumber())
                     .arg(xml.columnNumber()));
        }
    };
    if (xml.readNextStartElement()) {
        while (xml.readNextStartElement()) {
            const QString tag = xml.qualifiedName().toString();
            if (tag == u"skinInfo" && !description.hasInfo) {
                description.hasInfo = true;
                while (xml.readNextStartElement()) {
                    if (xml.qualifiedName() == u"name" && !description.name) {
                        description.name =
                            xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    } else {
                        xml.skipCurrentElement();
                    }
                }
                if (until == ReadUntil::Name) {
                    failOnError();
                    return description;
                }
            } else if (tag == u"size" && !description.size) {
                description.size = DescribedElement{tag, xml.attributes()};
                xml.skipCurrentElement();
            } else if (tag == u"area" && !description.area) {
                description.area = DescribedElement{tag, xml.attributes()};
                xml.skipCurrentElement();
            } else if (tag == u"layers" && !description.layers) {
                description.layers.emplace();
                while (xml.readNextStartElement()) {
                    if (qsizetype(description.layers->size()) == limits.layers) {
                        FailLimit(path,
                                  QStringLiteral("has more than %1 layers").arg(limits.layers));
                    }
                    description.layers->push_back(
                        {tag + u'/' + xml.qualifiedName().toString(), xml.attributes()});
                    xml.skipCurrentElement();
                }
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    // Whatever follows the root must still be well-formed.
    while (!xml.atEnd()) {
        xml.readNext();
    }
    failOnError();
    return description;
}

// An empty value counts as a missing one.
QString RequiredText(const DescribedElement& element, const QString& attribute) {
    const QString value = element.attributes.value(attribute).toString();
    if (value.isEmpty()) {
        Fail(QStringLiteral("Element \"%1\" of the skin description has no value for \"%2\"")
                 .arg(element.path, attribute));
    }
    return value;
}

qint32 Integer(const DescribedElement& element, const QString& attribute) {
    const QString value = RequiredText(element, attribute);
    bool ok = false;
    const int number = value.toInt(&ok, 10);
    if (!ok) {
        Fail(QStringLiteral("\"%1\" is not a valid integer for \"%2\" of element \"%3\"")
                 .arg(value, attribute, element.path));
    }
    return number;
}

qint32 OptionalInteger(const DescribedElement& element, const QString& attribute) {
    return element.attributes.value(attribute).isEmpty() ? 0 : Integer(element, attribute);
}

const DescribedElement& Required(const std::optional<DescribedElement>& element, const char* name) {
    if (!element) {
        Fail(QStringLiteral("The skin description has no element \"%1\"").arg(QLatin1String(name)));
    }
    return *element;
}

// Control characters are taken out: a line break in a name would end up in the settings
// file as lines of the package's choosing.
QString ReadName(const Description& description) {
    if (!description.hasInfo) {
        Fail(QStringLiteral("The skin description has no element \"skinInfo\""));
    }
    if (!description.name) {
        Fail(QStringLiteral("The skin description has no element \"skinInfo/name\""));
    }
    QString name = *description.name;
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (name.trimmed().isEmpty()) {
        Fail(QStringLiteral("The skin description has an empty \"skinInfo/name\""));
    }
    return name;
}

void CheckSize(const QString& path, const PackageLimits& limits, const char* what, int width,
               int height) {
    if (width < 1 || height < 1 || width > limits.side || height > limits.side) {
        FailLimit(path, QStringLiteral("describes a %1 of %2 x %3 pixels; sides from 1 to %4 "
                                       "pixels are allowed")
                            .arg(QLatin1String(what))
                            .arg(width)
                            .arg(height)
                            .arg(limits.side));
    }
}

void CheckPosition(const QString& path, const PackageLimits& limits, const QString& what, int x,
                   int y) {
    if (x < -limits.side || y < -limits.side || x > limits.side || y > limits.side) {
        FailLimit(path, QStringLiteral("places %1 at %2, %3; positions from -%4 to %4 are allowed")
                            .arg(what)
                            .arg(x)
                            .arg(y)
                            .arg(limits.side));
    }
}

// The layer images as their headers declare them, before any is decoded. A file that
// cannot be read is passed over: it is never decoded, and its layer stays empty.
void CheckLayerImages(const TSkin& skin, const QString& path, const PackageLimits& limits) {
    qint64 total = 0;
    for (const auto& layer : skin.Layers) {
        const QSize size = imaging::ReadImageHeader(LayerFilePath(layer->FileName)).storedSize;
        if (!size.isValid()) {
            continue;
        }
        if (size.width() > limits.side || size.height() > limits.side) {
            FailLimit(path, QStringLiteral("has a layer image \"%1\" of %2 x %3 pixels; sides up "
                                           "to %4 pixels are allowed")
                                .arg(layer->FileName)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(limits.side));
        }
        total += qint64(size.width()) * size.height();
        if (total > limits.layerPixels) {
            FailLimit(path, QStringLiteral("has layer images of more than %1 pixels together")
                                .arg(limits.layerPixels));
        }
    }
}

void ExtractAll(ZipArchive& package, const QString& folder) {
    for (qint64 i = 0; i < package.count(); ++i) {
        if (package.isFolder(i)) {
            continue;
        }
        // Written under a temporary name and renamed, so a failed extraction leaves no
        // half-written file behind.
        const QString target = folder + package.fileName(i);
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly)) {
            Fail(QStringLiteral("Cannot create \"%1\": %2").arg(target, file.errorString()));
        }
        package.extractTo(i, file);
        if (!file.commit()) {
            Fail(QStringLiteral("Cannot create \"%1\": %2").arg(target, file.errorString()));
        }
    }
}

}  // namespace

qint64 FindPackageEntry(const ZipArchive& package, const QString& name) {
    const QString wanted = AsciiUpper(name);
    for (qint64 i = 0; i < package.count(); ++i) {
        if (AsciiUpper(package.fileName(i)) == wanted) {
            return i;
        }
    }
    return -1;
}

std::unique_ptr<TSkin> LoadSkin(const QString& path, const PackageLimits& limits) {
    // Without a temporary folder the files would land in the working directory.
    if (TempFolder.isEmpty()) {
        Fail(QStringLiteral("There is no temporary folder to extract the skin into"));
    }
    auto skin = std::make_unique<TSkin>();
    ZipArchive package(path);
    CheckEntryCount(package, path, limits);
    CheckEntries(package, limits);
    const Description description =
        ParseDescription(ExtractDescription(package, path, limits), ReadUntil::End, path, limits);

    skin->Name = ReadName(description);
    const DescribedElement& size = Required(description.size, "size");
    skin->Width = Integer(size, QStringLiteral("width"));
    skin->Height = Integer(size, QStringLiteral("height"));
    const DescribedElement& area = Required(description.area, "area");
    skin->AreaX = Integer(area, QStringLiteral("x"));
    skin->AreaY = Integer(area, QStringLiteral("y"));
    skin->AreaWidth = Integer(area, QStringLiteral("width"));
    skin->AreaHeight = Integer(area, QStringLiteral("height"));
    if (!description.layers) {
        Fail(QStringLiteral("The skin description has no element \"layers\""));
    }
    for (const DescribedElement& element : *description.layers) {
        auto layer = std::make_unique<TSkinLayer>();
        layer->FileName = RequiredText(element, QStringLiteral("file"));
        layer->X = OptionalInteger(element, QStringLiteral("x"));
        layer->Y = OptionalInteger(element, QStringLiteral("y"));
        skin->Layers.push_back(std::move(layer));
    }

    CheckSize(path, limits, "canvas", skin->Width, skin->Height);
    CheckSize(path, limits, "photo area", skin->AreaWidth, skin->AreaHeight);
    CheckPosition(path, limits, QStringLiteral("the photo area"), skin->AreaX, skin->AreaY);
    for (const auto& layer : skin->Layers) {
        CheckPosition(path, limits, QStringLiteral("the layer \"%1\"").arg(layer->FileName),
                      layer->X, layer->Y);
    }

    ExtractAll(package, TempFolder);
    CheckLayerImages(*skin, path, limits);
    return skin;
}

QString ReadSkinName(const QString& path, const PackageLimits& limits) {
    ZipArchive package(path);
    CheckEntryCount(package, path, limits);
    return ReadName(
        ParseDescription(ExtractDescription(package, path, limits), ReadUntil::Name, path, limits));
}

QString LayerFilePath(const QString& fileName) {
    const qsizetype cut = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    return TempFolder + fileName.mid(cut + 1);
}
