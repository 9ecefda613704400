#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "HeifWriter.h"

// Real image files for the imaging, photo and frame tests.

// Four solid quadrants: red top left, green top right, blue bottom left, yellow bottom right,
// so that every turn and mirror of the picture can be told apart.
QImage QuadrantImage(const QSize& size);
// A photo-like picture: smooth gradients, soft shapes and some fine texture.
QImage PhotoLikeImage(const QSize& size, int seed = 1);
QImage SolidImage(const QSize& size, const QColor& color);

QByteArray EncodeImage(const QImage& image, const char* format, int quality = 92);
// A JPEG in Adobe's CMYK, stored inverted as Photoshop writes it.
QByteArray EncodeCmykJpeg(const QImage& image);
// Adds an EXIF block with the orientation tag (1..8) right after the JPEG's start marker.
QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation);
// Changes the size that a baseline JPEG's header claims, leaving the data as it is.
QByteArray WithClaimedSize(const QByteArray& jpeg, int width, int height);

// Adds an "EXIF" chunk with the orientation tag (1..8) to a simple WebP file.
QByteArray WithWebpExifOrientation(const QByteArray& webp, int orientation);

// Changes the size that every 'ispe' box of a HEIF file claims to side x side.
QByteArray WithClaimedHeifSize(const QByteArray& heif, int side);

// Writes the image into a file of the format its suffix names (".jpg", ".webp", ".heic",
// ".avif" with an optional orientation 1..8, ".png", ".bmp"); a name ending in "-grid.heic" or
// "-grid.avif" gives a grid of 64 x 64 tiles. Fails the test on error.
void WriteImage(const QString& path, const QImage& image, int orientation = 0);

// The colour of the quadrant that lies at `point` of an image (red, green, blue or yellow),
// or an empty text when the pixel is none of them.
QString QuadrantAt(const QImage& image, const QPoint& point);

// Average and largest absolute difference of the colour channels of two images of one size.
struct Difference {
    double mean = 0;
    int max = 0;
};
Difference CompareImages(const QImage& a, const QImage& b);
