#pragma once

#include <QImage>
#include <QString>

struct DrawnSkin;

// Writes skin.xml and the layer PNGs into `folder`; throws std::runtime_error on failure.
void writeSkinFolder(const DrawnSkin& skin, const QString& folder);

// Saves an image; throws std::runtime_error on failure. `quality` as for QImageWriter.
void saveImage(const QImage& image, const QString& path, const char* format, int quality = -1);

// The skin with the photo as the program composes them: the photo cropped to the area's
// aspect and drawn one pixel beyond the area on every side, then the layers, lowest first.
QImage composeFrame(const DrawnSkin& skin, const QImage& photo);

// The composed frame on a checkerboard, so that its transparency shows.
QImage previewOf(const QImage& frame);

// Previews side by side on one sheet.
QImage contactSheet(const std::vector<QImage>& previews);
