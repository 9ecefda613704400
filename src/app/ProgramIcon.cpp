#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A small gilt frame around a landscape, drawn for one pixel size.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF outer(s * 0.06, s * 0.12, s * 0.88, s * 0.76);
    QLinearGradient gold(outer.topLeft(), outer.bottomRight());
    gold.setColorAt(0, QColor(0xF2, 0xC9, 0x6B));
    gold.setColorAt(0.5, QColor(0xB9, 0x7A, 0x25));
    gold.setColorAt(1, QColor(0x7A, 0x4A, 0x12));
    p.setPen(Qt::NoPen);
    p.setBrush(gold);
    p.drawRoundedRect(outer, s * 0.06, s * 0.06);
    const qreal border = qMax<qreal>(2.0, s * 0.12);
    const QRectF photo = outer.adjusted(border, border, -border, -border);
    QLinearGradient sky(photo.topLeft(), photo.bottomLeft());
    sky.setColorAt(0, QColor(0x5C, 0xA8, 0xE8));
    sky.setColorAt(1, QColor(0xCF, 0xE8, 0xF7));
    p.setBrush(sky);
    p.drawRect(photo);
    QPainterPath hill;
    hill.moveTo(photo.left(), photo.bottom());
    hill.lineTo(photo.left(), photo.top() + photo.height() * 0.62);
    hill.quadTo(photo.left() + photo.width() * 0.35, photo.top() + photo.height() * 0.3,
                photo.left() + photo.width() * 0.7, photo.top() + photo.height() * 0.6);
    hill.quadTo(photo.right() - photo.width() * 0.1, photo.top() + photo.height() * 0.7,
                photo.right(), photo.top() + photo.height() * 0.55);
    hill.lineTo(photo.right(), photo.bottom());
    hill.closeSubpath();
    p.setBrush(QColor(0x3E, 0x8E, 0x41));
    p.drawPath(hill);
    p.setBrush(QColor(0xFF, 0xE0, 0x5A));
    const qreal sun = photo.width() * 0.18;
    p.drawEllipse(QRectF(photo.right() - sun * 1.6, photo.top() + sun * 0.4, sun, sun));
    return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(DrawIcon(size));
    }
    return icon;
}
