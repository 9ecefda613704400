#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// One layer image and where it lies on the canvas.
struct DrawnLayer {
    QString file;
    QPoint position;
    QImage image;
};

// A finished skin: what its skin.xml describes, with the layer images, lowest first.
struct DrawnSkin {
    QString folder;
    QString name;
    QSize canvas;
    QRect area;
    std::vector<DrawnLayer> layers;
};

DrawnSkin drawWalnut();
DrawnSkin drawSilverPortrait();
DrawnSkin drawGildedOval();
