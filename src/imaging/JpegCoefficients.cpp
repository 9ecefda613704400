#include "JpegCoefficients.h"

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <vector>

namespace imaging {

namespace {

// Reads a device byte by byte through a small buffer; skips by seeking.
class ByteReader {
public:
    explicit ByteReader(QIODevice& device) : device(device) {}

    // The next byte, or -1 at the end.
    int next() {
        if (at == buffer.size()) {
            buffer = device.read(4096);
            at = 0;
            if (buffer.isEmpty()) {
                return -1;
            }
        }
        return static_cast<unsigned char>(buffer[at++]);
    }
    // A big-endian 16-bit value, or -1 at the end.
    int word() {
        const int high = next();
        const int low = next();
        return high < 0 || low < 0 ? -1 : high << 8 | low;
    }
    bool skip(qint64 count) {
        const qint64 buffered = buffer.size() - at;
        if (count <= buffered) {
            at += count;
            return true;
        }
        const qint64 target = device.pos() + (count - buffered);
        buffer.clear();
        at = 0;
        return target <= device.size() && device.seek(target);
    }

private:
    QIODevice& device;
    QByteArray buffer;
    qsizetype at = 0;
};

}  // namespace

// Follows the markers as libjpeg does, up to the first scan.
qint64 JpegCoefficientBytes(QIODevice& device) {
    ByteReader in(device);
    if (in.next() != 0xFF || in.next() != 0xD8) {
        return 0;
    }
    struct Sampling {
        int h;
        int v;
    };
    std::vector<Sampling> components;
    qint64 width = 0;
    qint64 height = 0;
    bool progressive = false;
    for (;;) {
        // Bytes up to an FF are skipped, as are fill bytes; FF 00 is no marker.
        int code = 0;
        while (code == 0) {
            for (int b = in.next(); b != 0xFF; b = in.next()) {
                if (b < 0) {
                    return 0;
                }
            }
            do {
                code = in.next();
            } while (code == 0xFF);
            if (code < 0) {
                return 0;
            }
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            continue;  // markers without a length
        }
        if (code == 0xD8 || code == 0xD9) {
            return 0;
        }
        const int length = in.word();
        if (length < 2) {
            return 0;
        }
        const bool frame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame) {
            if (!components.empty()) {
                return 0;
            }
            in.next();  // sample precision
            height = in.word();
            width = in.word();
            const int count = in.next();
            if (height <= 0 || width <= 0 || count <= 0 || length != 8 + 3 * count) {
                return 0;
            }
            for (int i = 0; i < count; ++i) {
                in.next();  // component id
                const int factors = in.next();
                in.next();  // quantisation table
                const Sampling sampling{factors >> 4, factors & 15};
                if (factors < 0 || sampling.h < 1 || sampling.h > 4 || sampling.v < 1 ||
                    sampling.v > 4) {
                    return 0;
                }
                components.push_back(sampling);
            }
            progressive = code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
        } else if (code == 0xDA) {
            const int inScan = in.next();
            if (components.empty() || inScan < 0 ||
                (!progressive && inScan >= int(components.size()))) {
                return 0;
            }
            int maxH = 1;
            int maxV = 1;
            for (const Sampling& c : components) {
                maxH = std::max(maxH, c.h);
                maxV = std::max(maxV, c.v);
            }
            const auto blocks = [](qint64 pixels, int factor, int maxFactor) {
                const qint64 n = (pixels * factor + maxFactor * 8 - 1) / (maxFactor * 8);
                return (n + factor - 1) / factor * factor;  // whole units of the factor
            };
            qint64 total = 0;
            for (const Sampling& c : components) {
                total += blocks(width, c.h, maxH) * blocks(height, c.v, maxV) * 64 * 2;
            }
            return total;
        } else if (!in.skip(length - 2)) {
            return 0;
        }
    }
}

}  // namespace imaging
