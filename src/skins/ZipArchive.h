#pragma once

#include <QString>

#include <memory>

class QByteArray;
class QIODevice;
struct zip;

// Read-only access to one ZIP archive: its directory and the bytes of its entries. Every
// failure raises std::runtime_error with a UTF-8 text.
class ZipArchive {
public:
    // Opens the archive and reads its directory.
    explicit ZipArchive(const QString& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    qint64 count() const;
    // The stored name of entry i, folders included.
    QString entryName(qint64 index) const;
    // The stored name without its folder part; "/" and "\" both separate folders.
    QString fileName(qint64 index) const;
    // A folder entry: its stored name ends in a separator.
    bool isFolder(qint64 index) const;
    // Uncompressed size as the archive's directory declares it.
    qint64 size(qint64 index) const;

    // Extract entry i. An entry whose data does not match its declared size is an error,
    // so no more than size(i) bytes are ever produced.
    QByteArray extract(qint64 index);
    void extractTo(qint64 index, QIODevice& device);

private:
    struct Closer {
        void operator()(zip* archive) const;
    };
    void checkIndex(qint64 index) const;

    std::unique_ptr<zip, Closer> archive;
};
