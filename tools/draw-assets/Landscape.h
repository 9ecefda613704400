#pragma once

#include <QImage>

// A dusk landscape: glowing sky with clouds, layered mountains fading into haze, a still lake
// mirroring them, and pines on the near shore.
QImage drawLandscape(int width, int height);
