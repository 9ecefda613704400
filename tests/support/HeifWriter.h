#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// HEIF files made with libheif's encoders, for the tests and the benchmarks. Each returns an
// empty result when libheif fails.

enum class HeifCodec { Hevc, Av1 };

// How the picture's colours are coded: the matrix (an ITU-T H.273 code, written to the file's
// colour description), the range, and the chroma subsampling ("420", "422", "444"). Left
// empty, libheif's defaults.
struct HeifColourCoding {
    int matrix = -1;
    bool fullRange = true;
    const char* chroma = nullptr;
};

// One coded picture: HEVC (".heic") or AV1 (".avif"), with the container's turn and mirror set
// to match an EXIF orientation (1..8).
QByteArray EncodeHeif(const QImage& image, HeifCodec codec, int orientation = 1, int quality = 90,
                      const HeifColourCoding& coding = {});

// A grid of coded tiles of `tile` pixels, as phones store large photos, with the same turn and
// mirror on the grid.
QByteArray EncodeHeifGrid(const QImage& image, HeifCodec codec, const QSize& tile,
                          int orientation = 1, int quality = 90);

// The picture of a HEIF file as libheif itself shows it: turned and converted by libheif.
QImage DecodeHeifWithLibheif(const QByteArray& heif);
