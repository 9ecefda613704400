#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// One entry of a package written by the tests; a name ending in "/" or "\" is a folder.
struct PackageEntry {
    QString name;
    QByteArray bytes;
};

// Writes a ZIP archive with libzip, entries in the given order; fails the test on error.
void WritePackage(const QString& path, const QList<PackageEntry>& entries);

// Rewrites the uncompressed size that the archive declares for `entryName`, in the central
// directory and the local header, leaving the data as it is.
void SetDeclaredSize(const QString& path, const QString& entryName, quint32 size);

// A skin description: the root element around `body` (UTF-8).
QByteArray Description(const QString& body);
// A complete description of a skin with this name and one layer "frame.png".
QByteArray SkinXml(const QString& name);

// The text of the exception that `action` raises, or "(no error)".
QString ErrorText(const std::function<void()>& action);

// A scratch folder holding the temporary folder for extraction and a skins folder, both
// installed as TempFolder and SkinsFolder for the life of the object.
class SkinScratch {
public:
    SkinScratch();
    ~SkinScratch();
    SkinScratch(const SkinScratch&) = delete;
    SkinScratch& operator=(const SkinScratch&) = delete;

    QString root() const { return dir.path() + "/"; }
    QString temp() const { return root() + "temp/"; }
    QString skins() const { return root() + "Skins/"; }

    // Writes a package into the skins folder and returns its path.
    QString package(const QString& fileName, const QList<PackageEntry>& entries) const;
    // The files in the temporary folder, sorted.
    QStringList extracted() const;

private:
    QTemporaryDir dir;
    QString savedTemp;
    QString savedSkins;
};
