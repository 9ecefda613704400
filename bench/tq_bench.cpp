// Benchmarks of a photo change, of reading photo orientations and of a refresh, each printed
// as a ratio against a baseline measured in the same run. Every figure is the median of
// several runs; peak memory is measured in child processes of this program.

#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameComposition.h"
#include "imaging/Imaging.h"
#include "photos/FilesUnit.h"
#include "skins/SkinModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace {

// The sizes of one run: the full run by hand, the smoke run in CI.
struct Plan {
    bool smoke = false;
    QSize photo{6000, 4000};  // the dense photo
    QSize small{1024, 768};   // the photos whose orientation is read
    int smallCount = 1000;
    int photoRuns = 5;     // runs of the slow variants
    int quickRuns = 9;     // runs of the fast variants
    int refreshRuns = 60;  // step-0 refreshes
};

Plan SmokePlan() {
    Plan p;
    p.smoke = true;
    p.photo = QSize(1200, 800);
    p.small = QSize(320, 240);
    p.smallCount = 40;
    p.photoRuns = 3;
    p.quickRuns = 3;
    p.refreshRuns = 10;
    return p;
}

const QSize PhotoArea(800, 600);

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Milliseconds of each of `runs` calls of `work`.
double MedianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

// A dense photo: fine noise over gradients, so that the entropy decoding dominates as in a
// sharp, detailed camera picture.
QImage DensePhoto(const QSize& size, unsigned seed) {
    QImage image(size, QImage::Format_RGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const unsigned v = random();
            line[x] = qRgb(int((x * 255 / size.width() + (v & 63)) & 255),
                           int((y * 255 / size.height() + ((v >> 8) & 63)) & 255),
                           int((((v >> 16) & 127) + x / 50) & 255));
        }
    }
    return image;
}

bool Save(const QImage& image, const QString& path, int quality = 90) {
    if (!image.save(path, nullptr, quality)) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The skin of the refresh benchmark: 400 x 300 with three PNG layers with soft alpha.
std::unique_ptr<TSkin> MakeSkin(const QString& folder) {
    auto skin = std::make_unique<TSkin>();
    skin->Name = QStringLiteral("Bench");
    skin->Width = 400;
    skin->Height = 300;
    skin->AreaX = 50;
    skin->AreaY = 40;
    skin->AreaWidth = 300;
    skin->AreaHeight = 220;
    const auto add = [&](const QString& name, const QImage& image, int x, int y) {
        Save(image, folder + name);
        auto layer = std::make_unique<TSkinLayer>();
        layer->FileName = name;
        layer->X = x;
        layer->Y = y;
        skin->Layers.push_back(std::move(layer));
    };
    QImage ring(400, 300, QImage::Format_ARGB32);
    ring.fill(Qt::transparent);
    {
        QPainter p(&ring);
        QLinearGradient g(0, 0, 400, 300);
        g.setColorAt(0, QColor(120, 80, 40));
        g.setColorAt(1, QColor(200, 160, 90));
        p.fillRect(ring.rect(), g);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(ring.rect().adjusted(52, 42, -52, -42), Qt::transparent);
    }
    QImage shade(400, 300, QImage::Format_ARGB32);
    shade.fill(Qt::transparent);
    {
        QPainter p(&shade);
        QRadialGradient g(200, 150, 260);
        g.setColorAt(0, QColor(0, 0, 0, 0));
        g.setColorAt(1, QColor(0, 0, 0, 140));
        p.fillRect(shade.rect(), g);
    }
    QImage ornament(120, 80, QImage::Format_ARGB32);
    ornament.fill(Qt::transparent);
    {
        QPainter p(&ornament);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(230, 200, 120, 220));
        p.drawEllipse(ornament.rect().adjusted(4, 4, -4, -4));
    }
    add(QStringLiteral("ring.png"), ring, 0, 0);
    add(QStringLiteral("shade.png"), shade, 0, 0);
    add(QStringLiteral("ornament.png"), ornament, 140, 250);
    return skin;
}

// ---- child side: one photo-change variant, its extra peak memory and its median time ----

qint64 StatusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// Restarts the peak resident size count (Linux 4.0 and later).
bool ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

int RunChild(const QString& variant, const QString& path, const QString& warmUp, int runs) {
    const QSize target = PhotoArea + QSize(2, 2);
    const double aspect = double(PhotoArea.width()) / PhotoArea.height();
    std::function<QImage()> work;
    if (variant == QLatin1String("full")) {
        // The plain pipeline: decode everything, cut the crop out, stretch it.
        work = [&] {
            QImage cropped = CropPhoto(imaging::DecodeImage(path), 0, 0, 0, aspect);
            QImage cache = imaging::NewImage(target, imaging::ImageKind::Rgb);
            imaging::Surface(cache).DrawImage(cropped, QRectF(cache.rect()));
            return cache;
        };
    } else {
        work = [&] { return PreparePhoto(path, false, 0, 0, 0, target); };
    }
    // Loads the decoder and sets up the heap before the measurement.
    PreparePhoto(warmUp, false, 0, 0, 0, target);
    const qint64 before = StatusKb("VmRSS:");
    const bool reset = ResetPeak();
    const bool ok = !work().isNull();
    const qint64 peak = StatusKb("VmHWM:");
    const double ms = MedianMs(runs, [&] { work(); });
    std::printf("RESULT %d %.3f %lld %d\n", ok ? 1 : 0, ms, peak - before, reset ? 1 : 0);
    return ok ? 0 : 1;
}

// ---- parent side ----

struct ChildResult {
    bool ok = false;
    double ms = 0;
    double extraMb = 0;
};

ChildResult Child(const QString& variant, const QString& path, const QString& warmUp, int runs) {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--child"), variant, path, warmUp, QString::number(runs)});
    process.waitForFinished(-1);
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    ChildResult r;
    if (fields.size() == 5 && fields[0] == "RESULT") {
        r.ok = fields[1] == "1";
        r.ms = fields[2].toDouble();
        r.extraMb = fields[3].toDouble() / 1024;
        if (fields[4] != "1") {
            std::printf("  (the peak could not be reset; it includes start-up)\n");
        }
    }
    return r;
}

// Whole-process time of libjpeg-turbo's own 1/8 decode of the file.
double DjpegMs(const QString& djpeg, const QString& path, int runs) {
    return MedianMs(runs, [&] {
        QProcess process;
        process.start(djpeg, {QStringLiteral("-scale"), QStringLiteral("1/8"),
                              QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path});
        process.waitForFinished(-1);
    });
}

struct Verdict {
    bool allMet = true;
    bool allValid = true;
    void target(const char* what, double value, const char* unit, bool met, const char* goal) {
        std::printf("  %-34s %8.2f%s  (target %s): %s\n", what, value, unit, goal,
                    met ? "met" : "MISSED");
        allMet = allMet && met;
    }
    void valid(bool ok, const char* what) {
        if (!ok) {
            std::printf("  INVALID: %s\n", what);
            allValid = false;
        }
    }
};

void Line(const char* what, double ms, double extraMb = -1) {
    if (extraMb >= 0) {
        std::printf("  %-34s %9.3f ms   extra peak %7.1f MB\n", what, ms, extraMb);
    } else {
        std::printf("  %-34s %9.3f ms\n", what, ms);
    }
}

int RunBenchmarks(const Plan& plan) {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "No temporary folder\n");
        return 2;
    }
    const QString folder = dir.path() + QLatin1Char('/');
    Verdict verdict;
    std::printf("Tallowquince benchmarks (%s run): medians; ratios against baselines of this run\n",
                plan.smoke ? "smoke" : "full");

    // The photos.
    const QString photo = folder + QStringLiteral("dense.jpg");
    const QString photoB = folder + QStringLiteral("dense-b.jpg");
    const QString warmUp = folder + QStringLiteral("warm-up.jpg");
    if (!Save(DensePhoto(plan.photo, 1), photo) || !QFile::copy(photo, photoB) ||
        !Save(DensePhoto({64, 48}, 2), warmUp)) {
        return 2;
    }

    // 1. Photo change.
    std::printf("\nphoto change: %dx%d JPEG (%.1f MB) into an %dx%d photo area\n",
                plan.photo.width(), plan.photo.height(), QFileInfo(photo).size() / 1048576.0,
                PhotoArea.width(), PhotoArea.height());
    const ChildResult full = Child(QStringLiteral("full"), photo, warmUp, plan.photoRuns);
    const ChildResult fast = Child(QStringLiteral("fast"), photo, warmUp, plan.quickRuns);
    verdict.valid(full.ok && fast.ok, "a photo-change variant failed");
    Line("full decode + crop + stretch", full.ms, full.extraMb);
    Line("decode at the needed size", fast.ms, fast.extraMb);
    verdict.target("speed-up", full.ms / fast.ms, "x", full.ms / fast.ms >= 2, ">= 2x");
    verdict.target("extra peak against the baseline", 100 * fast.extraMb / full.extraMb, "%",
                   fast.extraMb <= full.extraMb / 10, "<= 10%");
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty()) {
        std::printf("  djpeg not found (package libjpeg-turbo-progs): comparison skipped\n");
        verdict.allMet = false;
    } else {
        const double reference = DjpegMs(djpeg, photo, plan.quickRuns);
        Line("djpeg -scale 1/8 (whole process)", reference);
        verdict.target("against djpeg", fast.ms / reference, "x", fast.ms / reference <= 1.3,
                       "<= 1.3x");
    }

    // 2. Orientation of many photos.
    std::printf("\norientation of %d JPEGs of %dx%d\n", plan.smallCount, plan.small.width(),
                plan.small.height());
    QStringList smalls;
    {
        const QImage wide = DensePhoto(plan.small, 3);
        const QImage tall = DensePhoto(plan.small.transposed(), 4);
        Save(wide, folder + QStringLiteral("s0.jpg"), 85);
        Save(tall, folder + QStringLiteral("s1.jpg"), 85);
        for (int i = 0; i < plan.smallCount; ++i) {
            const QString name = folder + QStringLiteral("small%1.jpg").arg(i);
            QFile::copy(folder + QStringLiteral("s%1.jpg").arg(i % 2), name);
            smalls << name;
        }
    }
    int tallCount = 0;
    const double headers = MedianMs(plan.photoRuns, [&] {
        tallCount = 0;
        for (const QString& s : smalls) {
            tallCount += TFiles::FileOrientation(s) == 'V';
        }
    });
    int decodedTall = 0;
    const double decodes = MedianMs(plan.photoRuns, [&] {
        decodedTall = 0;
        for (const QString& s : smalls) {
            const QImage image = imaging::DecodeImage(s);
            decodedTall += PhotoOrientation(double(image.width()) / image.height()) == 'V';
        }
    });
    verdict.valid(tallCount == plan.smallCount / 2 && decodedTall == tallCount,
                  "orientations disagree");
    Line("decode each photo", decodes);
    Line("read each header", headers);
    verdict.target("ratio", decodes / headers, "x", decodes / headers >= 100, ">= 100x");

    // 3. Refresh.
    std::printf("\nrefresh of a 400x300 skin at scale 1.0, angle 17 degrees\n");
    TempFolder = folder;
    auto skin = MakeSkin(folder);
    Settings.modefile = true;
    Settings.file = photo;
    TFiles files;
    bool painted = true;
    RenderFrame(*skin, files, 0, Settings, 1.0, 17);  // loads the layers
    int flip = 0;
    const double changing = MedianMs(plan.photoRuns, [&] {
        Settings.file = (++flip % 2) ? photoB : photo;
        painted = painted && !skin->PhotoCache.isNull();
        RenderFrame(*skin, files, 1, Settings, 1.0, 17);
    });
    const double still = MedianMs(plan.refreshRuns, [&] {
        const RenderedFrame frame = RenderFrame(*skin, files, 0, Settings, 1.0, 17);
        painted = painted && frame.canvas.width() == 568;
    });
    verdict.valid(painted && !skin->PhotoCache.isNull(), "a refresh drew nothing");
    Line("changing the photo", changing);
    Line("step 0, caches warm", still);
    verdict.target("ratio", changing / still, "x", changing / still >= 50, ">= 50x");

    if (!verdict.allValid) {
        return 1;
    }
    if (plan.smoke) {
        std::printf("\nsmoke run: sizes too small for the targets to apply\n");
        return 0;
    }
    std::printf("\n%s\n", verdict.allMet ? "all targets met" : "some targets MISSED");
    return verdict.allMet ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == QLatin1String("--child")) {
        return RunChild(args[2], args[3], args[4], args[5].toInt());
    }
    if (args.size() > 2 || (args.size() == 2 && args[1] != QLatin1String("--smoke"))) {
        std::fprintf(stderr, "usage: tq_bench [--smoke]\n");
        return 2;
    }
    return RunBenchmarks(args.size() == 2 ? SmokePlan() : Plan());
}
