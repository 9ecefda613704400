#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameComposition.h"
#include "frame/FrameGeometry.h"
#include "imaging/Imaging.h"
#include "photos/FilesUnit.h"
#include "skins/SkinModel.h"
#include "support/ImageSupport.h"
#include "support/TestSupport.h"

#include <QPainter>
#include <QRegion>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct LayerSpec {
    QString file;
    QPoint at;
    QImage image;  // written into the temporary folder unless null
};

// A skin built in memory, its layer images written into the temporary folder.
std::unique_ptr<TSkin> MakeSkin(QSize size, QRect area, const std::vector<LayerSpec>& layers) {
    auto skin = std::make_unique<TSkin>();
    skin->Name = QStringLiteral("Test");
    skin->Width = size.width();
    skin->Height = size.height();
    skin->AreaX = area.x();
    skin->AreaY = area.y();
    skin->AreaWidth = area.width();
    skin->AreaHeight = area.height();
    for (const LayerSpec& spec : layers) {
        if (!spec.image.isNull()) {
            WriteImage(TempFolder + spec.file, spec.image);
        }
        auto layer = std::make_unique<TSkinLayer>();
        layer->FileName = spec.file;
        layer->X = spec.at.x();
        layer->Y = spec.at.y();
        skin->Layers.push_back(std::move(layer));
    }
    return skin;
}

// A frame ring: opaque black border of `thickness` pixels, transparent inside.
QImage Ring(QSize size, int thickness) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(image.rect(), Qt::black);
    p.fillRect(image.rect().adjusted(thickness, thickness, -thickness, -thickness),
               Qt::transparent);
    return image;
}

int Alpha(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

}  // namespace

class TestFrame : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString savedTemp;
    TSettings savedSettings;

    TSettings singleFile(const QString& file) const {
        TSettings s;
        s.modefile = true;
        s.file = file;
        return s;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        savedTemp = TempFolder;
        savedSettings = Settings;
        TempFolder = dir->path() + QLatin1Char('/');
    }
    void cleanup() {
        TempFolder = savedTemp;
        Settings = savedSettings;
        dir.reset();
    }

    void canvasSide_data() {
        QTest::addColumn<QSize>("skin");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("side");
        QTest::newRow("400 x 300 at 0.5") << QSize(400, 300) << 0.5 << 284;
        QTest::newRow("the longer side counts") << QSize(300, 400) << 0.5 << 284;
        QTest::newRow("35.5 rounds to even 36") << QSize(25, 10) << 1.0 << 36;
        QTest::newRow("106.5 rounds to even 106") << QSize(75, 10) << 1.0 << 106;
        QTest::newRow("177.5 rounds to even 178") << QSize(125, 10) << 1.0 << 178;
        QTest::newRow("a huge stored scale is capped")
            << QSize(400, 300) << 1000.0 << MaxCanvasSide;
        QTest::newRow("scale 0 keeps one pixel") << QSize(400, 300) << 0.0 << 1;
        QTest::newRow("negative scale keeps one pixel") << QSize(400, 300) << -0.5 << 1;
    }
    void canvasSide() {
        QFETCH(QSize, skin);
        QFETCH(double, scale);
        QFETCH(int, side);
        QCOMPARE(CanvasSide(skin.width(), skin.height(), scale), side);
    }

    void recordedWindowSize() {
        QCOMPARE(RecordedWindowSize(QSize(284, 284)), QSize(426, 426));
        QCOMPARE(RecordedWindowSize(QSize(285, 285)), QSize(427, 427));
    }

    void frameIsDrawnCentredAtScale() {
        auto skin = MakeSkin({400, 300}, {50, 50, 300, 200},
                             {{"full.png", {0, 0}, SolidImage({400, 300}, Qt::darkCyan)}});
        const QImage canvas = DrawFrameCanvas(*skin, "", TSettings(), 0.5, 0);
        QCOMPARE(canvas.size(), QSize(284, 284));
        QCOMPARE(canvas.format(), QImage::Format_ARGB32_Premultiplied);
        // Drawn as 200 x 150 with its top-left corner at (42, 67).
        for (QPoint inside : {QPoint(42, 67), QPoint(241, 67), QPoint(42, 216), QPoint(241, 216),
                              QPoint(142, 142)}) {
            QCOMPARE(Alpha(canvas, inside.x(), inside.y()), 255);
        }
        for (QPoint outside : {QPoint(41, 100), QPoint(242, 100), QPoint(100, 66), QPoint(100, 217),
                               QPoint(0, 0), QPoint(283, 283)}) {
            QCOMPARE(Alpha(canvas, outside.x(), outside.y()), 0);
        }
    }

    void canvasHasTheScreensPixels_data() {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("pixels");
        QTest::newRow("1x") << 1.0 << 284;
        QTest::newRow("1.25x") << 1.25 << 355;
        QTest::newRow("1.5x") << 1.5 << 426;
        QTest::newRow("2x") << 2.0 << 568;
    }
    void canvasHasTheScreensPixels() {
        QFETCH(double, ratio);
        QFETCH(int, pixels);
        const QString photo = TempFolder + "single.jpg";
        WriteImage(photo, SolidImage({80, 60}, Qt::green));
        Settings.modefile = true;
        Settings.file = photo;
        TFiles files;
        auto skin =
            MakeSkin({400, 300}, {50, 50, 300, 200}, {{"ring.png", {0, 0}, Ring({400, 300}, 50)}});
        const RenderedFrame rendered = RenderFrame(*skin, files, 1, Settings, 0.5, 0, ratio);
        QCOMPARE(rendered.canvas.size(), QSize(pixels, pixels));
        // The window keeps its logical size, which `scale` and the fine zoom step measure.
        QCOMPARE(LogicalSize(rendered.canvas), QSize(284, 284));
        QCOMPARE(rendered.recordedSize, QSize(426, 426));
        // The frame covers the same logical rectangle: 200 x 150 at (42, 67).
        const QRect drawn = QRect(42, 67, 200, 150);
        const auto logicalAlpha = [&](QPoint p) {
            return Alpha(rendered.canvas, int((p.x() + 0.5) * ratio), int((p.y() + 0.5) * ratio));
        };
        for (QPoint inside : {drawn.topLeft(), drawn.bottomRight(), drawn.center()}) {
            QCOMPARE(logicalAlpha(inside), 255);
        }
        for (QPoint outside :
             {drawn.topLeft() - QPoint(1, 1), drawn.bottomRight() + QPoint(1, 1)}) {
            QCOMPARE(logicalAlpha(outside), 0);
        }
    }

    void detailTheScreenCanShowIsDrawn() {
        // A layer of one-pixel stripes: at scale 0.5 a 1x screen can only show their average,
        // a 2x screen shows each stripe.
        QImage stripes(400, 300, QImage::Format_ARGB32);
        for (int x = 0; x < stripes.width(); ++x) {
            for (int y = 0; y < stripes.height(); ++y) {
                stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
            }
        }
        auto skin = MakeSkin({400, 300}, {0, 0, 10, 10}, {{"stripes.png", {0, 0}, stripes}});
        const QImage x1 = DrawFrameCanvas(*skin, "", TSettings(), 0.5, 0, 1);
        const QImage x2 = DrawFrameCanvas(*skin, "", TSettings(), 0.5, 0, 2);
        const int grey = qRed(x1.pixel(142, 142));
        QVERIFY2(grey > 90 && grey < 165, qPrintable(QString::number(grey)));
        const int a = qRed(x2.pixel(284, 284));
        const int b = qRed(x2.pixel(285, 284));
        QVERIFY2(std::abs(a - b) > 200, qPrintable(QStringLiteral("%1 %2").arg(a).arg(b)));
    }

    void inputRunsAreLogicalPixels_data() {
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("canvas");
        QTest::addColumn<QList<QPoint>>("opaque");  // the canvas pixels with alpha
        QTest::addColumn<QList<QRect>>("runs");
        QTest::newRow("1x") << 1.0 << QSize(4, 3) << QList<QPoint>{{1, 2}}
                            << QList<QRect>{QRect(1, 2, 1, 1)};
        QTest::newRow("1x: two runs in a row, the last pixel ends one")
            << 1.0 << QSize(6, 2) << QList<QPoint>{{0, 1}, {1, 1}, {3, 1}, {4, 1}, {5, 1}}
            << QList<QRect>{QRect(0, 1, 2, 1), QRect(3, 1, 3, 1)};
        QTest::newRow("2x: one canvas pixel of four")
            << 2.0 << QSize(8, 6) << QList<QPoint>{{3, 4}} << QList<QRect>{QRect(1, 2, 1, 1)};
        QTest::newRow("2x: the last canvas row and column")
            << 2.0 << QSize(8, 6) << QList<QPoint>{{7, 5}} << QList<QRect>{QRect(3, 2, 1, 1)};
        // A canvas pixel on the border of two logical pixels takes input in both.
        QTest::newRow("1.5x: a pixel shared by four logical pixels")
            << 1.5 << QSize(3, 3) << QList<QPoint>{{1, 1}}
            << QList<QRect>{QRect(0, 0, 2, 1), QRect(0, 1, 2, 1)};
    }
    void inputRunsAreLogicalPixels() {
        QFETCH(double, ratio);
        QFETCH(QSize, canvas);
        QFETCH(QList<QPoint>, opaque);
        QFETCH(QList<QRect>, runs);
        QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        for (const QPoint& pixel : opaque) {
            image.setPixel(pixel, qRgba(10, 10, 10, 10));
        }
        image.setDevicePixelRatio(ratio);
        const std::vector<QRect> got = InputRuns(image);
        QCOMPARE(QList<QRect>(got.begin(), got.end()), runs);
    }

    void inputRegionIsTheSameOnEveryScreen() {
        auto skin = MakeSkin({400, 300}, {50, 50, 300, 200},
                             {{"full.png", {0, 0}, SolidImage({400, 300}, Qt::darkCyan)}});
        const auto bounds = [&](double ratio) {
            QRegion region;
            for (const QRect& run : InputRuns(DrawFrameCanvas(*skin, "", {}, 0.5, 17, ratio))) {
                region += run;
            }
            return region.boundingRect();
        };
        const QRect x1 = bounds(1);
        for (double ratio : {1.25, 1.5, 2.0}) {
            const QRect other = bounds(ratio);
            QVERIFY2((other.topLeft() - x1.topLeft()).manhattanLength() <= 2 &&
                         (other.bottomRight() - x1.bottomRight()).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("%1: %2,%3 %4x%5")
                                    .arg(ratio)
                                    .arg(other.x())
                                    .arg(other.y())
                                    .arg(other.width())
                                    .arg(other.height())));
        }
    }

    void angleRotatesAboutTheCentre_data() {
        QTest::addColumn<double>("angle");
        QTest::addColumn<QList<QPoint>>("opaque");
        QTest::addColumn<QList<QPoint>>("clear");
        const QList<QPoint> level{QPoint(42, 100), QPoint(241, 100), QPoint(142, 67),
                                  QPoint(142, 216)};
        const QList<QPoint> levelClear{QPoint(41, 100), QPoint(242, 100), QPoint(142, 66),
                                       QPoint(142, 217)};
        QTest::newRow("exactly 0") << 0.0 << level << levelClear;
        QTest::newRow("a millionth of a degree") << 1e-6 << level << levelClear;
        // Clockwise: the left end of the top edge rises, the right end sinks.
        QTest::newRow("3.5 degrees clockwise")
            << 3.5 << QList<QPoint>{{60, 64}, {224, 74}} << QList<QPoint>{{224, 64}, {60, 58}};
        QTest::newRow("3.5 degrees anticlockwise")
            << -3.5 << QList<QPoint>{{224, 64}, {60, 74}} << QList<QPoint>{{60, 64}, {224, 58}};
        QTest::newRow("90 degrees")
            << 90.0 << QList<QPoint>{{142, 45}, {70, 142}} << QList<QPoint>{{60, 142}, {142, 35}};
    }
    void angleRotatesAboutTheCentre() {
        QFETCH(double, angle);
        QFETCH(QList<QPoint>, opaque);
        QFETCH(QList<QPoint>, clear);
        auto skin = MakeSkin({400, 300}, {50, 50, 300, 200},
                             {{"full.png", {0, 0}, SolidImage({400, 300}, Qt::darkCyan)}});
        const QImage canvas = DrawFrameCanvas(*skin, "", TSettings(), 0.5, angle);
        for (QPoint p : opaque) {
            QVERIFY2(Alpha(canvas, p.x(), p.y()) == 255,
                     qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
        }
        for (QPoint p : clear) {
            QVERIFY2(Alpha(canvas, p.x(), p.y()) == 0,
                     qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));
        }
    }

    void rotatedFrameHasSoftEdges() {
        auto skin = MakeSkin({400, 300}, {50, 50, 300, 200},
                             {{"full.png", {0, 0}, SolidImage({400, 300}, Qt::darkCyan)}});
        const QImage canvas = DrawFrameCanvas(*skin, "", TSettings(), 0.5, 17);
        int partial = 0;
        for (int x = 0; x < canvas.width(); ++x) {
            const int a = Alpha(canvas, x, 142);
            partial += a > 0 && a < 255;
        }
        QVERIFY(partial >= 2);  // one at each edge the row crosses
    }

    void areaOrientation_data() {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<bool>("rotate");
        QTest::addColumn<char>("letter");
        QTest::newRow("200 x 300 turned") << QSize(200, 300) << true << 'H';
        QTest::newRow("200 x 300") << QSize(200, 300) << false << 'V';
        QTest::newRow("300 x 200 turned") << QSize(300, 200) << true << 'V';
        QTest::newRow("square") << QSize(300, 300) << false << 'H';
        QTest::newRow("square turned") << QSize(300, 300) << true << 'H';
    }
    void areaOrientation() {
        QFETCH(QSize, area);
        QFETCH(bool, rotate);
        QFETCH(char, letter);
        QCOMPARE(AreaOrientation(area.width(), area.height(), rotate), letter);
    }

    void photoParameters_data() {
        QTest::addColumn<bool>("modefile");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("single file: negated offsets")
            << true << 44 << 5 << -7 << QList<int>{44, -5, 7};
        QTest::newRow("folder: nothing applies")
            << false << 60 << 100 << -100 << QList<int>{0, 0, 0};
        QTest::newRow("beyond the dialog's ranges, the lowest offset's negation included")
            << true << 255 << std::numeric_limits<int>::min() << 101 << QList<int>{60, 100, -100};
    }
    void photoParameters() {
        QFETCH(bool, modefile);
        QFETCH(int, zoom);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(QList<int>, expected);
        TSettings s;
        s.modefile = modefile;
        s.zoom = quint8(zoom);
        s.optDX = dx;
        s.optDY = dy;
        const PhotoParameters p = PhotoParametersFrom(s);
        QCOMPARE((QList<int>{p.zoom, p.hoff, p.voff}), expected);
    }

    void folderModeIgnoresZoomAndOffsets() {
        const QString photo = TempFolder + "photo.jpg";
        WriteImage(photo, PhotoLikeImage({400, 300}));
        TSettings plain;
        plain.modefile = false;
        TSettings zoomed = plain;
        zoomed.zoom = 50;
        zoomed.optDX = 100;
        zoomed.optDY = -30;
        auto a = MakeSkin({100, 80}, {10, 10, 80, 60}, {});
        auto b = MakeSkin({100, 80}, {10, 10, 80, 60}, {});
        QCOMPARE(DrawFrameCanvas(*a, photo, plain, 1.0, 0),
                 DrawFrameCanvas(*b, photo, zoomed, 1.0, 0));
        zoomed.modefile = true;
        auto c = MakeSkin({100, 80}, {10, 10, 80, 60}, {});
        QVERIFY(DrawFrameCanvas(*a, photo, plain, 1.0, 0) !=
                DrawFrameCanvas(*c, photo, zoomed, 1.0, 0));
    }

    void cropRect_data() {
        QTest::addColumn<QSizeF>("photo");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("hoff");
        QTest::addColumn<int>("voff");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<QRectF>("crop");
        const double a43 = 4.0 / 3.0;
        QTest::newRow("same aspect: whole photo")
            << QSizeF(800, 600) << 0 << 0 << 0 << a43 << QRectF(0, 0, 800, 600);
        QTest::newRow("wider photo: centred")
            << QSizeF(1000, 600) << 0 << 0 << 0 << a43 << QRectF(100, 0, 800, 600);
        QTest::newRow("taller photo: centred")
            << QSizeF(800, 800) << 0 << 0 << 0 << a43 << QRectF(0, 100, 800, 600);
        QTest::newRow("zoom 50: lower right quarter")
            << QSizeF(800, 600) << 50 << 0 << 0 << a43 << QRectF(400, 300, 400, 300);
        QTest::newRow("zoom 60") << QSizeF(800, 600) << 60 << 0 << 0 << a43
                                 << QRectF(480, 360, 320, 240);
        QTest::newRow("optDX 100 moves a whole width, clamped to 0")
            << QSizeF(800, 600) << 50 << -100 << 0 << a43 << QRectF(0, 300, 400, 300);
        QTest::newRow("optDX -100 clamps at the right")
            << QSizeF(800, 600) << 50 << 100 << 0 << a43 << QRectF(400, 300, 400, 300);
        QTest::newRow("vertical offset")
            << QSizeF(800, 800) << 0 << 0 << 10 << a43 << QRectF(0, 180, 800, 600);
        QTest::newRow("vertical offset clamped at the bottom")
            << QSizeF(800, 800) << 0 << 0 << 40 << a43 << QRectF(0, 200, 800, 600);
    }
    void cropRect() {
        QFETCH(QSizeF, photo);
        QFETCH(int, zoom);
        QFETCH(int, hoff);
        QFETCH(int, voff);
        QFETCH(double, aspect);
        QFETCH(QRectF, crop);
        const QRectF r = CropRect(photo, zoom, hoff, voff, aspect);
        for (auto [got, want] : {std::pair{r.x(), crop.x()},
                                 {r.y(), crop.y()},
                                 {r.width(), crop.width()},
                                 {r.height(), crop.height()}}) {
            QVERIFY2(std::abs(got - want) < 1e-3,
                     qPrintable(QString("%1 for %2").arg(got).arg(want)));
        }
        const QImage cropped = CropPhoto(QuadrantImage(photo.toSize()), zoom, hoff, voff, aspect);
        QCOMPARE(cropped.size(), crop.toRect().size());
        QCOMPARE(cropped.format(), QImage::Format_RGB32);
    }

    void cropOfAnEmptyPhotoFails() {
        QVERIFY(CropPhoto(QImage(), 0, 0, 0, 1.0).isNull());
        QVERIFY(CropPhoto(QuadrantImage({80, 60}), 100, 0, 0, 1.0).isNull());
    }

    void cacheKey_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("rotate");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("key");
        QTest::newRow("example") << "C:\\p\\a.jpg" << false << 44 << -5 << 0
                                 << "0C:\\p\\a.jpg44/251/0";
        QTest::newRow("rotated, low bytes")
            << "/x.jpg" << true << 0 << 100 << -100 << "1/x.jpg0/100/156";
    }
    void cacheKey() {
        QFETCH(QString, path);
        QFETCH(bool, rotate);
        QFETCH(int, zoom);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, key);
        QCOMPARE(MakePhotoCacheKey(path, rotate, zoom, a, b), key);
    }

    void composedFrameLayersThePhotoUnderTheSkin() {
        const QString photo = TempFolder + "green.jpg";
        WriteImage(photo, SolidImage({120, 100}, Qt::green));
        auto skin = MakeSkin({100, 80}, {20, 10, 60, 50},
                             {{"ring.png", {0, 0}, Ring({100, 80}, 5)},
                              {"red.png", {30, 20}, SolidImage({10, 10}, Qt::red)},
                              {"blue.png", {35, 25}, SolidImage({10, 10}, Qt::blue)}});
        const QImage frame = ComposeFrameImage(*skin, photo, false, 0, 0, 0);
        QCOMPARE(frame.size(), QSize(100, 80));
        // The photo overlaps its area by one pixel on every side.
        for (QPoint p :
             {QPoint(19, 30), QPoint(80, 30), QPoint(50, 9), QPoint(50, 60), QPoint(31, 31)}) {
            QCOMPARE(QuadrantAt(frame, p), QStringLiteral("green"));
        }
        for (QPoint p : {QPoint(18, 30), QPoint(81, 30), QPoint(50, 8), QPoint(50, 61)}) {
            QCOMPARE(Alpha(frame, p.x(), p.y()), 0);
        }
        // Layers lie above the photo, the first lowest.
        QCOMPARE(frame.pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(frame.pixelColor(32, 22), QColor(Qt::red));
        QCOMPARE(frame.pixelColor(37, 27), QColor(Qt::blue));
        QCOMPARE(frame.pixelColor(43, 33), QColor(Qt::blue));

        QCOMPARE(skin->PhotoCache.size(), QSize(62, 52));
        QCOMPARE(skin->PhotoCache.format(), QImage::Format_RGB32);
        QCOMPARE(skin->PhotoCacheKey, MakePhotoCacheKey(photo, false, 0, 0, 0));
        QCOMPARE(skin->Layers[0]->Image->format(), QImage::Format_ARGB32_Premultiplied);
    }

    void rotateTurnsTheSkinClockwiseAndKeepsThePhotoUpright() {
        const QString photo = TempFolder + "upright.jpg";
        WriteImage(photo, QuadrantImage({50, 60}));
        auto skin = MakeSkin({100, 80}, {20, 10, 60, 50},
                             {{"mark.png", {0, 0}, SolidImage({4, 4}, Qt::magenta)}});
        const QImage frame = ComposeFrameImage(*skin, photo, true, 0, 0, 0);
        QCOMPARE(frame.size(), QSize(80, 100));
        // The skin's top-left corner is now at the top right.
        QCOMPARE(frame.pixelColor(78, 1), QColor(Qt::magenta));
        QCOMPARE(Alpha(frame, 1, 1), 0);
        // The area is now (20, 20, 50, 60) and the photo stands upright in it.
        QCOMPARE(QuadrantAt(frame, {32, 35}), QStringLiteral("red"));
        QCOMPARE(QuadrantAt(frame, {57, 35}), QStringLiteral("green"));
        QCOMPARE(QuadrantAt(frame, {32, 65}), QStringLiteral("blue"));
        QCOMPARE(QuadrantAt(frame, {57, 65}), QStringLiteral("yellow"));
        QCOMPARE(skin->PhotoCacheKey, MakePhotoCacheKey(photo, true, 0, 0, 0));
    }

    void exifTurnedPhotoShowsUpright_data() {
        QTest::addColumn<bool>("rotate");
        QTest::newRow("skin as designed") << false;
        QTest::newRow("skin turned") << true;
    }
    void exifTurnedPhotoShowsUpright() {
        QFETCH(bool, rotate);
        // Stored 60 x 50, shown turned clockwise: blue, red / yellow, green.
        const QString photo = TempFolder + "exif.jpg";
        WriteImage(photo, QuadrantImage({60, 50}), 6);
        auto skin = rotate ? MakeSkin({80, 70}, {10, 10, 60, 50}, {})
                           : MakeSkin({70, 80}, {10, 10, 50, 60}, {});
        const QImage frame = ComposeFrameImage(*skin, photo, rotate, 0, 0, 0);
        QCOMPARE(frame.size(), QSize(70, 80));
        QCOMPARE(QuadrantAt(frame, {22, 25}), QStringLiteral("blue"));
        QCOMPARE(QuadrantAt(frame, {47, 25}), QStringLiteral("red"));
        QCOMPARE(QuadrantAt(frame, {22, 55}), QStringLiteral("yellow"));
        QCOMPARE(QuadrantAt(frame, {47, 55}), QStringLiteral("green"));
    }

    // The photo is decoded straight at the size it is shown; the result must look like a
    // full decode, turn, crop and stretch.
    void preparedPhotoMatchesDecodeCropStretch_data() {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<int>("exif");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<bool>("rotate");
        QTest::addColumn<QList<int>>("zoomAndOffsets");
        QTest::newRow("plain") << QSize(1600, 1200) << 0 << QSize(300, 200) << false
                               << QList<int>{0, 0, 0};
        QTest::newRow("odd size, zoom and offsets")
            << QSize(1203, 901) << 0 << QSize(200, 150) << false << QList<int>{44, -5, 20};
        QTest::newRow("EXIF turned")
            << QSize(1600, 1200) << 6 << QSize(150, 200) << false << QList<int>{0, 0, 0};
        QTest::newRow("skin turned")
            << QSize(1600, 1200) << 0 << QSize(200, 150) << true << QList<int>{30, 10, -10};
        QTest::newRow("EXIF and skin turned")
            << QSize(1601, 1203) << 8 << QSize(160, 90) << true << QList<int>{10, 0, 50};
        QTest::newRow("small area, large photo")
            << QSize(3000, 2000) << 0 << QSize(100, 80) << false << QList<int>{0, 0, 0};
        QTest::newRow("photo smaller than the area")
            << QSize(120, 90) << 0 << QSize(300, 200) << false << QList<int>{0, 0, 0};
    }
    void preparedPhotoMatchesDecodeCropStretch() {
        QFETCH(QSize, stored);
        QFETCH(int, exif);
        QFETCH(QSize, area);
        QFETCH(bool, rotate);
        QFETCH(QList<int>, zoomAndOffsets);
        const int zoom = zoomAndOffsets[0], hoff = zoomAndOffsets[1], voff = zoomAndOffsets[2];
        const QString photo = TempFolder + "photo.jpg";
        WriteImage(photo, PhotoLikeImage(stored, 7), exif);
        const QSize target = area + QSize(2, 2);

        const QImage fast = PreparePhoto(photo, rotate, zoom, hoff, voff, target);
        QCOMPARE(fast.size(), target);

        QImage full = imaging::DecodeImage(photo);
        if (rotate) {
            full = imaging::Turn(full, imaging::TurnBy::Clockwise270);
        }
        const QImage cropped =
            CropPhoto(std::move(full), zoom, hoff, voff, double(area.width()) / area.height());
        QImage reference = imaging::NewImage(target, imaging::ImageKind::Rgb);
        imaging::Surface(reference).DrawImage(cropped, QRectF(reference.rect()));

        const Difference d = CompareImages(fast, reference);
        QVERIFY2(d.mean < 3.0, qPrintable(QString::number(d.mean)));
    }

    void photoOf45MegapixelsShowsLikeAnyOther() {
        const QString photo = TempFolder + "huge.jpg";
        WriteImage(photo, QuadrantImage({8200, 5500}));
        QVERIFY(imaging::DecodeImage(photo).isNull());  // over the allocation limit
        auto skin = MakeSkin({220, 170}, {10, 10, 200, 150}, {});
        const QImage frame = ComposeFrameImage(*skin, photo, false, 0, 0, 0);
        QCOMPARE(QuadrantAt(frame, {40, 40}), QStringLiteral("red"));
        QCOMPARE(QuadrantAt(frame, {180, 40}), QStringLiteral("green"));
        QCOMPARE(QuadrantAt(frame, {40, 130}), QStringLiteral("blue"));
        QCOMPARE(QuadrantAt(frame, {180, 130}), QStringLiteral("yellow"));
    }

    void stepZeroRefreshesDecodeOnce() {
        // The file changes between refreshes: only a new key shows the new picture.
        const QString photo = TempFolder + "photo.jpg";
        WriteImage(photo, SolidImage({80, 60}, Qt::green));
        auto skin = MakeSkin({100, 80}, {10, 10, 80, 60}, {});
        TSettings settings = singleFile(photo);
        const auto centre = [&] {
            return QuadrantAt(DrawFrameCanvas(*skin, photo, settings, 1.0, 0), {71, 71});
        };
        QCOMPARE(centre(), QStringLiteral("green"));
        WriteImage(photo, SolidImage({80, 60}, Qt::red));
        QCOMPARE(centre(), QStringLiteral("green"));
        QCOMPARE(skin->PhotoCacheKey, MakePhotoCacheKey(photo, false, 0, 0, 0));
        settings.optDY = 1;
        QCOMPARE(centre(), QStringLiteral("red"));
        QCOMPARE(skin->PhotoCacheKey, MakePhotoCacheKey(photo, false, 0, 0, -1));
    }

    void undecodablePhotoLeavesTheAreaTransparent() {
        const QString photo = TempFolder + "photo.jpg";
        WriteImage(photo, SolidImage({80, 60}, Qt::green));
        auto skin =
            MakeSkin({100, 80}, {20, 10, 60, 50}, {{"ring.png", {0, 0}, Ring({100, 80}, 5)}});
        MessageRecorder messages;
        QCOMPARE(QuadrantAt(ComposeFrameImage(*skin, photo, false, 0, 0, 0), {50, 35}),
                 QStringLiteral("green"));

        const QString text = TempFolder + "notes.jpg";
        WriteFile(text, "this is no photo");
        const QImage frame = ComposeFrameImage(*skin, text, false, 0, 0, 0);
        QCOMPARE(Alpha(frame, 50, 35), 0);
        QCOMPARE(Alpha(frame, 19, 30), 0);
        QCOMPARE(frame.pixelColor(2, 2), QColor(Qt::black));  // the layers as usual
        QVERIFY(skin->PhotoCacheKey.isEmpty());
        QVERIFY(skin->PhotoCache.isNull());
        QVERIFY(messages.messages.isEmpty());

        // The next refresh tries again.
        WriteImage(text, SolidImage({80, 60}, Qt::blue));
        QCOMPARE(QuadrantAt(ComposeFrameImage(*skin, text, false, 0, 0, 0), {50, 35}),
                 QStringLiteral("blue"));
    }

    void failedLayerIsNotLoadedAgain() {
        auto skin = MakeSkin({40, 30}, {5, 5, 30, 20}, {{"late.png", {0, 0}, QImage()}});
        QImage frame = ComposeFrameImage(*skin, "", false, 0, 0, 0);
        QVERIFY(skin->Layers[0]->Image.has_value());
        QVERIFY(skin->Layers[0]->Image->isNull());
        WriteImage(TempFolder + "late.png", SolidImage({40, 30}, Qt::red));
        frame = ComposeFrameImage(*skin, "", false, 0, 0, 0);
        QCOMPARE(Alpha(frame, 20, 15), 0);
    }

    void layerFileNamesStayInTheTemporaryFolder_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("parent folder") << "../layer.png";
        QTest::newRow("slashes") << "sub/dir/layer.png";
        QTest::newRow("backslashes") << "sub\\layer.png";
    }
    void layerFileNamesStayInTheTemporaryFolder() {
        QFETCH(QString, fileName);
        WriteImage(TempFolder + "layer.png", SolidImage({4, 4}, Qt::red));
        WriteImage(TempFolder + "../layer.png", SolidImage({4, 4}, Qt::blue));
        WriteImage(TempFolder + "sub/dir/layer.png", SolidImage({4, 4}, Qt::blue));
        auto skin = MakeSkin({10, 10}, {0, 0, 10, 10}, {{fileName, {0, 0}, QImage()}});
        const QImage frame = ComposeFrameImage(*skin, "", false, 0, 0, 0);
        QCOMPARE(frame.pixelColor(1, 1), QColor(Qt::red));
        QFile::remove(TempFolder + "../layer.png");
    }

    void clearToTransparentZeroesEveryByte() {
        QImage canvas(13, 7, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(0xFFFFFFFF);
        ClearToTransparent(canvas);
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                QCOMPARE(canvas.pixel(x, y), 0u);
            }
        }
    }

    void renderFrameAsksTheListAndRecordsTheSize() {
        const QString photo = TempFolder + "single.jpg";
        WriteImage(photo, SolidImage({80, 60}, Qt::green));
        Settings.modefile = true;
        Settings.file = photo;
        TFiles files;
        auto skin = MakeSkin({400, 300}, {50, 50, 300, 200}, {});
        const RenderedFrame rendered = RenderFrame(*skin, files, 1, Settings, 0.5, 0);
        QCOMPARE(rendered.canvas.size(), QSize(284, 284));
        QCOMPARE(rendered.recordedSize, QSize(426, 426));
        QCOMPARE(rendered.photoPath, photo);
        QCOMPARE(QuadrantAt(rendered.canvas, {142, 142}), QStringLiteral("green"));
    }

    void rotationLimits() {
        double angle = 0;
        for (int i = 0; i < 104; ++i) {
            const auto next = RotateStep(angle, true, false);
            QVERIFY(next);
            angle = *next;
        }
        QCOMPARE(angle, 364.0);
        QVERIFY(!RotateStep(angle, true, false));  // 367.5
        angle = *RotateStep(angle, true, true);
        QCOMPARE(angle, 364.5);
        QVERIFY(!RotateStep(angle, true, true));  // 365.0
        QCOMPARE(*RotateStep(angle, false, false), 361.0);
        QCOMPARE(*RotateStep(-364.0, false, true), -364.5);
        QVERIFY(!RotateStep(-364.5, false, true));
    }

    void zoomStep_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("larger");
        QTest::addColumn<bool>("fine");
        QTest::addColumn<int>("recordedWidth");
        QTest::addColumn<double>("expected");
        QTest::newRow("1.2 in: 1.304 cut to 500 / 400") << 1.2 << true << false << 426 << 1.25;
        QTest::newRow("0.3 out: 0.276") << 0.3 << false << false << 426 << 0.276;
        QTest::newRow("0.276 out: 0.2539 raised to 80 / 300")
            << 0.276 << false << false << 426 << 80.0 / 300;
        QTest::newRow("fine in: one pixel of the recorded width")
            << 0.5 << true << true << 426 << 0.5 * 427 / 426;
        QTest::newRow("fine out") << 0.5 << false << true << 426 << 0.5 * 425 / 426;
        QTest::newRow("fine without a recorded width") << 0.5 << true << true << 0 << 0.5;
    }
    void zoomStep() {
        QFETCH(double, scale);
        QFETCH(bool, larger);
        QFETCH(bool, fine);
        QFETCH(int, recordedWidth);
        QFETCH(double, expected);
        const double s = ZoomStep(scale, larger, fine, recordedWidth, 400, 300);
        QVERIFY2(std::abs(s - expected) < 1e-6, qPrintable(QString::number(s, 'g', 10)));
        QCOMPARE(double(float(s)), s);  // held in single precision
    }

    void clampScale_data() {
        QTest::addColumn<QSize>("skin");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("expected");
        QTest::newRow("within") << QSize(400, 300) << 1.0 << 1.0;
        QTest::newRow("too wide") << QSize(400, 300) << 2.0 << 1.25;
        QTest::newRow("too tall") << QSize(300, 400) << 2.0 << 1.25;
        QTest::newRow("too small") << QSize(400, 300) << 0.1 << 80.0 / 300;
        QTest::newRow("too oblong: the minimum wins") << QSize(1000, 50) << 1.0 << 1.6;
        QTest::newRow("a skin without size sets no limit") << QSize(0, 0) << 3.0 << 3.0;
    }
    void clampScale() {
        QFETCH(QSize, skin);
        QFETCH(double, scale);
        QFETCH(double, expected);
        QVERIFY(std::abs(ClampScale(scale, skin.width(), skin.height()) - expected) < 1e-9);
    }

    void offsetOntoScreens_data() {
        QTest::addColumn<QRegion>("frame");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QPoint>("offset");
        const QRect laptop(0, 0, 1280, 770);  // 1280 x 800 above a 30-pixel panel
        const QRect wide(1280, 0, 1920, 1080);
        QTest::newRow("saved 4200,3100 on a 1280 x 800 screen: into its corner")
            << QRegion(4200, 3100, 400, 300) << QList{laptop} << QPoint(880 - 4200, 470 - 3100);
        QTest::newRow("55 pixels showing, where a window manager parks it")
            << QRegion(1225, 700, 400, 300) << QList{laptop} << QPoint(880 - 1225, 470 - 700);
        QTest::newRow("off the left and the top")
            << QRegion(-300, -250, 400, 300) << QList{laptop} << QPoint(300, 250);
        QTest::newRow("fully on screen: stays")
            << QRegion(100, 100, 400, 300) << QList{laptop} << QPoint();
        QTest::newRow("partly visible, more than half: stays")
            << QRegion(1000, 100, 400, 300) << QList{laptop} << QPoint();
        QTest::newRow("exactly half: stays")
            << QRegion(1080, 100, 400, 300) << QList{laptop} << QPoint();
        QTest::newRow("a pixel column less than half: moves the shortest way")
            << QRegion(1081, 100, 400, 300) << QList{laptop} << QPoint(-201, 0);
        QTest::newRow("its pixels count, not its box: 180 of 280 columns shown")
            << (QRegion(1100, 0, 180, 100) + QRegion(1400, 0, 100, 100)) << QList{laptop}
            << QPoint();
        QTest::newRow("two screens: across the seam, fully shown")
            << QRegion(1100, 100, 400, 300) << QList{laptop, wide} << QPoint();
        QTest::newRow("two screens: the second screen's lower part, below the first")
            << QRegion(1500, 900, 400, 300) << QList{laptop, wide} << QPoint();
        QTest::newRow("two screens: off below both, onto the nearest")
            << QRegion(1200, 1050, 400, 300) << QList{laptop, wide} << QPoint(80, 780 - 1050);
        QTest::newRow("two screens: off the right of the second")
            << QRegion(3300, 50, 400, 300) << QList{laptop, wide} << QPoint(2800 - 3300, 0);
        QTest::newRow("the second screen gone: onto the first")
            << QRegion(1500, 900, 400, 300) << QList{laptop} << QPoint(880 - 1500, 470 - 900);
        QTest::newRow("mirrored screens count once")
            << QRegion(1081, 100, 400, 300) << QList{laptop, laptop} << QPoint(-201, 0);
        QTest::newRow("larger than the screen: centred on it")
            << QRegion(5000, 5000, 1600, 1000) << QList{laptop} << QPoint(-160 - 5000, -115 - 5000);
        QTest::newRow("no screen known: stays")
            << QRegion(4200, 3100, 400, 300) << QList<QRect>() << QPoint();
        QTest::newRow("no frame: stays") << QRegion() << QList{laptop} << QPoint();
    }
    void offsetOntoScreens() {
        QFETCH(QRegion, frame);
        QFETCH(QList<QRect>, screens);
        QFETCH(QPoint, offset);
        const QPoint moved = OffsetOntoScreens(frame, {screens.begin(), screens.end()});
        QCOMPARE(moved, offset);
        if (moved.isNull() || screens.isEmpty()) {
            return;
        }
        // Where it moves to, every pixel of it is on one screen, or it is centred on it.
        const QRect box = frame.boundingRect().translated(moved);
        QVERIFY(std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
            return screen.contains(box) || box.contains(screen.center());
        }));
    }
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
