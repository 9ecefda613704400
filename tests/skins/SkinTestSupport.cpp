#include "SkinTestSupport.h"

#include "core/GlobalsUnit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

#include <zip.h>

#include <exception>

void WritePackage(const QString& path, const QList<PackageEntry>& entries) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    int code = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    QVERIFY2(archive, qPrintable(path));
    for (const PackageEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        if (name.endsWith('/') || name.endsWith('\\')) {
            QVERIFY(zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8) >= 0);
            continue;
        }
        // The buffer is read at zip_close; `entries` outlives it.
        zip_source_t* source = zip_source_buffer(archive, entry.bytes.constData(),
                                                 zip_uint64_t(entry.bytes.size()), 0);
        QVERIFY(source);
        if (zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            QFAIL(qPrintable("cannot add " + entry.name));
        }
    }
    if (zip_close(archive) != 0) {
        const QString error = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        QFAIL(qPrintable(error));
    }
}

void SetDeclaredSize(const QString& path, const QString& entryName, quint32 size) {
    QByteArray zip = ReadFile(path);
    auto u16 = [&zip](qsizetype at) { return qFromLittleEndian<quint16>(zip.constData() + at); };
    auto u32 = [&zip](qsizetype at) { return qFromLittleEndian<quint32>(zip.constData() + at); };
    auto put32 = [&zip](qsizetype at, quint32 value) { qToLittleEndian(value, zip.data() + at); };
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    QVERIFY(end >= 0);
    qsizetype at = u32(end + 16);
    bool found = false;
    for (quint16 i = 0; i < u16(end + 10); ++i) {
        QCOMPARE(u32(at), 0x02014b50u);
        const quint16 nameLength = u16(at + 28);
        if (zip.mid(at + 46, nameLength) == entryName.toUtf8()) {
            put32(at + 24, size);
            put32(qsizetype(u32(at + 42)) + 22, size);
            found = true;
        }
        at += 46 + nameLength + u16(at + 30) + u16(at + 32);
    }
    QVERIFY2(found, qPrintable(entryName));
    WriteFile(path, zip);
}

QByteArray Description(const QString& body) {
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<skin>\n" + body + "\n</skin>\n").toUtf8();
}

QByteArray SkinXml(const QString& name) {
    return Description(QStringLiteral("<skinInfo><name>%1</name></skinInfo>\n"
                                      "<size width=\"300\" height=\"200\"/>\n"
                                      "<area x=\"10\" y=\"20\" width=\"280\" height=\"160\"/>\n"
                                      "<layers><layer file=\"frame.png\"/></layers>")
                           .arg(name));
}

QString ErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("(no error)");
}

SkinScratch::SkinScratch() : savedTemp(TempFolder), savedSkins(SkinsFolder) {
    QDir().mkpath(temp());
    QDir().mkpath(skins());
    TempFolder = temp();
    SkinsFolder = skins();
}

SkinScratch::~SkinScratch() {
    TempFolder = savedTemp;
    SkinsFolder = savedSkins;
}

QString SkinScratch::package(const QString& fileName, const QList<PackageEntry>& entries) const {
    const QString path = skins() + fileName;
    WritePackage(path, entries);
    return path;
}

QStringList SkinScratch::extracted() const {
    QStringList files = QDir(temp()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    files.sort();
    return files;
}
