#include "ImageDecoder.h"

#include "HeifContainer.h"

#include "platform/Platform.h"

#include <QImageReader>

#include <algorithm>

namespace imaging {

qint64 PhotoFile::readData(char* data, qint64 maxSize) {
    const qint64 n = QFile::readData(data, maxSize);
    if (n < maxSize) {
        shortRead = true;
    }
    return n;
}

std::unique_ptr<ImageDecoder> OpenImageDecoder(const QString& path) {
    const int fd = platform::OpenRegularFile(path.toStdString());
    auto file = std::make_unique<PhotoFile>();
    // Unbuffered, so that every read a decoder makes reaches readData. A new file takes any
    // open descriptor, and closes it from then on.
    if (fd < 0 || !file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                              QFileDevice::AutoCloseHandle)) {
        return nullptr;
    }
    const QByteArray start = file->read(64);
    if (!file->seek(0)) {
        return nullptr;
    }
    if (start.startsWith("\xFF\xD8\xFF")) {
        return NewJpegDecoder(std::move(file));
    }
    if (IsHeifFile(start)) {
        return NewHeifImageDecoder(std::move(file));
    }
    return NewQtImageDecoder(std::move(file));
}

bool WithinAllocationLimit(const QSize& size) {
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limit <= 0 || qint64(size.width()) * size.height() * 4 <= limit;
}

int WholeReduction(const QSize& area, const QSize& needed) {
    if (needed.isEmpty()) {
        return 1;
    }
    return std::max(1, std::min(area.width() / needed.width(), area.height() / needed.height()));
}

}  // namespace imaging
