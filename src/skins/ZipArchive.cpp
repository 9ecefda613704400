#include "ZipArchive.h"

#include <QByteArray>
#include <QIODevice>

#include <zip.h>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

QString ErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// Streams the entry's bytes to `sink` and insists on exactly `expected` of them.
void ReadEntry(zip_t* archive, qint64 index, qint64 expected, const QString& name,
               const std::function<void(const char*, qint64)>& sink) {
    std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, zip_uint64_t(index), 0));
    if (!file) {
        Fail(QStringLiteral("Cannot read \"%1\": %2")
                 .arg(name, QString::fromUtf8(zip_strerror(archive))));
    }
    std::array<char, 65536> buffer{};
    qint64 total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
        if (n < 0) {
            Fail(QStringLiteral("Cannot read \"%1\": %2")
                     .arg(name, QString::fromUtf8(zip_file_strerror(file.get()))));
        }
        if (n == 0) {
            break;
        }
        total += n;
        if (total > expected) {
            break;
        }
        sink(buffer.data(), n);
    }
    if (total != expected) {
        Fail(QStringLiteral("\"%1\" is damaged: its size differs from the archive's directory")
                 .arg(name));
    }
}

}  // namespace

void ZipArchive::Closer::operator()(zip* archive) const {
    zip_discard(archive);
}

ZipArchive::ZipArchive(const QString& path) {
    int code = ZIP_ER_OK;
    // UTF-8: what libzip expects on Windows and what Qt uses for file names on Linux.
    archive.reset(zip_open(path.toUtf8().constData(), ZIP_RDONLY, &code));
    if (!archive) {
        Fail(QStringLiteral("Cannot open \"%1\": %2").arg(path, ErrorText(code)));
    }
}

ZipArchive::~ZipArchive() = default;

qint64 ZipArchive::count() const {
    return zip_get_num_entries(archive.get(), 0);
}

void ZipArchive::checkIndex(qint64 index) const {
    if (index < 0 || index >= count()) {
        Fail(QStringLiteral("Index %1 is out of range").arg(index));
    }
}

QString ZipArchive::entryName(qint64 index) const {
    checkIndex(index);
    const char* name = zip_get_name(archive.get(), zip_uint64_t(index), 0);
    if (!name) {
        Fail(QString::fromUtf8(zip_strerror(archive.get())));
    }
    return QString::fromUtf8(name);
}

QString ZipArchive::fileName(qint64 index) const {
    const QString name = entryName(index);
    const qsizetype separator = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    return name.mid(separator + 1);
}

bool ZipArchive::isFolder(qint64 index) const {
    const QString name = entryName(index);
    return name.endsWith(u'/') || name.endsWith(u'\\');
}

qint64 ZipArchive::size(qint64 index) const {
    checkIndex(index);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), zip_uint64_t(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE)) {
        Fail(QStringLiteral("Cannot read the size of \"%1\": %2")
                 .arg(entryName(index), QString::fromUtf8(zip_strerror(archive.get()))));
    }
    constexpr zip_uint64_t largest = std::numeric_limits<qint64>::max();
    return qint64(std::min(stat.size, largest));
}

QByteArray ZipArchive::extract(qint64 index) {
    const qint64 expected = size(index);
    QByteArray bytes;
    ReadEntry(archive.get(), index, expected, entryName(index),
              [&bytes](const char* data, qint64 n) { bytes.append(data, n); });
    return bytes;
}

void ZipArchive::extractTo(qint64 index, QIODevice& device) {
    const qint64 expected = size(index);
    const QString name = entryName(index);
    ReadEntry(archive.get(), index, expected, name, [&](const char* data, qint64 n) {
        if (device.write(data, n) != n) {
            Fail(QStringLiteral("Cannot write \"%1\": %2").arg(name, device.errorString()));
        }
    });
}
