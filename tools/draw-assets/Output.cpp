#include "Output.h"

#include "Skins.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QXmlStreamWriter>

#include <algorithm>
#include <stdexcept>

namespace {

void fail(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

QByteArray describe(const DrawnSkin& skin) {
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartDocument();
    writer.writeStartElement("skin");
    writer.writeStartElement("skinInfo");
    writer.writeTextElement("name", skin.name);
    writer.writeEndElement();
    writer.writeEmptyElement("size");
    writer.writeAttribute("width", QString::number(skin.canvas.width()));
    writer.writeAttribute("height", QString::number(skin.canvas.height()));
    writer.writeEmptyElement("area");
    writer.writeAttribute("x", QString::number(skin.area.x()));
    writer.writeAttribute("y", QString::number(skin.area.y()));
    writer.writeAttribute("width", QString::number(skin.area.width()));
    writer.writeAttribute("height", QString::number(skin.area.height()));
    writer.writeStartElement("layers");
    for (const DrawnLayer& layer : skin.layers) {
        writer.writeEmptyElement("layer");
        writer.writeAttribute("file", layer.file);
        writer.writeAttribute("x", QString::number(layer.position.x()));
        writer.writeAttribute("y", QString::number(layer.position.y()));
    }
    writer.writeEndDocument();
    return xml;
}

// The largest rectangle of the given aspect, centred in the photo.
QRectF centredCrop(QSizeF photo, double aspect) {
    const double ratio = photo.width() / photo.height();
    if (aspect > ratio) {
        const double h = photo.height() * ratio / aspect;
        return {0.0, (photo.height() - h) / 2.0, photo.width(), h};
    }
    const double w = photo.width() * aspect / ratio;
    return {(photo.width() - w) / 2.0, 0.0, w, photo.height()};
}

}  // namespace

void saveImage(const QImage& image, const QString& path, const char* format, int quality) {
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        fail(QStringLiteral("Cannot write %1: %2").arg(path, writer.errorString()));
    }
}

void writeSkinFolder(const DrawnSkin& skin, const QString& folder) {
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("Cannot create %1").arg(folder));
    }
    QFile xml(QDir(folder).filePath("skin.xml"));
    if (!xml.open(QIODevice::WriteOnly | QIODevice::Truncate) || xml.write(describe(skin)) < 0) {
        fail(QStringLiteral("Cannot write %1").arg(xml.fileName()));
    }
    for (const DrawnLayer& layer : skin.layers) {
        // Quality 0 asks the PNG writer for its strongest compression.
        saveImage(layer.image, QDir(folder).filePath(layer.file), "png", 0);
    }
}

QImage composeFrame(const DrawnSkin& skin, const QImage& photo) {
    QImage frame(skin.canvas, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF crop = centredCrop(photo.size(), double(skin.area.width()) / skin.area.height());
    painter.drawImage(QRectF(skin.area.adjusted(-1, -1, 1, 1)), photo.copy(crop.toRect()));
    for (const DrawnLayer& layer : skin.layers) {
        painter.drawImage(layer.position, layer.image);
    }
    return frame;
}

QImage previewOf(const QImage& frame) {
    constexpr int margin = 24;
    constexpr int square = 12;
    QImage preview(frame.size() + QSize(2 * margin, 2 * margin), QImage::Format_RGB32);
    QPainter painter(&preview);
    for (int y = 0; y < preview.height(); y += square) {
        for (int x = 0; x < preview.width(); x += square) {
            const bool even = ((x + y) / square) % 2 == 0;
            painter.fillRect(x, y, square, square,
                             even ? QColor(205, 210, 216) : QColor(236, 239, 242));
        }
    }
    painter.drawImage(margin, margin, frame);
    return preview;
}

QImage contactSheet(const std::vector<QImage>& previews) {
    int width = 0;
    int height = 0;
    for (const QImage& preview : previews) {
        width += preview.width();
        height = std::max(height, preview.height());
    }
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(QColor(236, 239, 242));
    QPainter painter(&sheet);
    int x = 0;
    for (const QImage& preview : previews) {
        painter.drawImage(x, (height - preview.height()) / 2, preview);
        x += preview.width();
    }
    return sheet;
}
