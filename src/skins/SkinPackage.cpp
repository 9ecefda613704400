#include "SkinPackage.h"

#include "ZipArchive.h"
#include "core/GlobalsUnit.h"

#include <QDomDocument>
#include <QDomElement>
#include <QSaveFile>

#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& text) {
    throw std::runtime_error(text.toStdString());
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

QDomDocument ReadDescription(ZipArchive& package, const PackageLimits& limits) {
    // Without a description the index is -1, which the reader refuses with its own text.
    const qint64 index = FindPackageEntry(package, QStringLiteral("skin.xml"));
    if (package.size(index) > limits.entryBytes) {
        Fail(QStringLiteral("The skin description is too large"));
    }
    const QByteArray bytes = package.extract(index);
    QDomDocument document;
    // The parser reads the encoding from the byte-order mark or the declaration.
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const QDomDocument::ParseResult result = document.setContent(bytes);
    if (!result) {
        Fail(QStringLiteral("Cannot parse skin.xml: %1 (line %2, column %3)")
                 .arg(result.errorMessage)
                 .arg(result.errorLine)
                 .arg(result.errorColumn));
    }
#else
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(bytes, &message, &line, &column)) {
        Fail(QStringLiteral("Cannot parse skin.xml: %1 (line %2, column %3)")
                 .arg(message)
                 .arg(line)
                 .arg(column));
    }
#endif
    return document;
}

// The element's path below the root, for error texts: "layers/layer".
QString ElementPath(const QDomElement& element) {
    const QDomElement parent = element.parentNode().toElement();
    if (parent.isNull() || parent.parentNode().isDocument()) {
        return element.tagName();
    }
    return ElementPath(parent) + u'/' + element.tagName();
}

QDomElement RequiredChild(const QDomElement& parent, const QString& name) {
    const QDomElement child = parent.firstChildElement(name);
    if (child.isNull()) {
        const QString path =
            parent.parentNode().isDocument() ? name : ElementPath(parent) + u'/' + name;
        Fail(QStringLiteral("The skin description has no element \"%1\"").arg(path));
    }
    return child;
}

// An empty value counts as a missing one.
QString RequiredText(const QDomElement& element, const QString& attribute) {
    const QString value = element.attribute(attribute);
    if (value.isEmpty()) {
        Fail(QStringLiteral("Element \"%1\" of the skin description has no value for \"%2\"")
                 .arg(ElementPath(element), attribute));
    }
    return value;
}

qint32 Integer(const QDomElement& element, const QString& attribute) {
    const QString value = RequiredText(element, attribute);
    bool ok = false;
    const int number = value.toInt(&ok, 10);
    if (!ok) {
        Fail(QStringLiteral("\"%1\" is not a valid integer for \"%2\" of element \"%3\"")
                 .arg(value, attribute, ElementPath(element)));
    }
    return number;
}

qint32 OptionalInteger(const QDomElement& element, const QString& attribute) {
    return element.attribute(attribute).isEmpty() ? 0 : Integer(element, attribute);
}

QString ReadName(const QDomElement& root) {
    const QDomElement name =
        RequiredChild(RequiredChild(root, QStringLiteral("skinInfo")), QStringLiteral("name"));
    const QString text = name.text();
    if (text.isEmpty()) {
        Fail(QStringLiteral("The skin description has an empty \"skinInfo/name\""));
    }
    return text;
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
    CheckEntries(package, limits);
    const QDomDocument document = ReadDescription(package, limits);
    const QDomElement root = document.documentElement();

    skin->Name = ReadName(root);
    const QDomElement size = RequiredChild(root, QStringLiteral("size"));
    skin->Width = Integer(size, QStringLiteral("width"));
    skin->Height = Integer(size, QStringLiteral("height"));
    const QDomElement area = RequiredChild(root, QStringLiteral("area"));
    skin->AreaX = Integer(area, QStringLiteral("x"));
    skin->AreaY = Integer(area, QStringLiteral("y"));
    skin->AreaWidth = Integer(area, QStringLiteral("width"));
    skin->AreaHeight = Integer(area, QStringLiteral("height"));

    const QDomElement layers = RequiredChild(root, QStringLiteral("layers"));
    for (QDomElement element = layers.firstChildElement(); !element.isNull();
         element = element.nextSiblingElement()) {
        auto layer = std::make_unique<TSkinLayer>();
        layer->FileName = RequiredText(element, QStringLiteral("file"));
        layer->X = OptionalInteger(element, QStringLiteral("x"));
        layer->Y = OptionalInteger(element, QStringLiteral("y"));
        skin->Layers.push_back(std::move(layer));
    }

    ExtractAll(package, TempFolder);
    return skin;
}

QString ReadSkinName(const QString& path, const PackageLimits& limits) {
    ZipArchive package(path);
    const QDomDocument document = ReadDescription(package, limits);
    return ReadName(document.documentElement());
}
