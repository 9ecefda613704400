// Benchmarks of what users meet: a photo change for photos of every kind, reading the
// orientations of many photos, a whole refresh of the frame window and the program's start-up.
// Each figure is printed against a baseline measured in the same run; every time is the median
// of several runs; peak memory is measured in child processes of this program.

#include "Processes.h"
#include "WindowWatch.h"

#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameComposition.h"
#include "frame/FrameGeometry.h"
#include "frame/PhotoFormUnit.h"
#include "imaging/Imaging.h"
#include "photos/FilesUnit.h"
#include "skins/SkinModel.h"
#include "skins/SkinsUnit.h"
#include "support/HeifWriter.h"
#include "support/ImageSupport.h"
#include "support/NoCommands.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace {

// The sizes of one run: the full run by hand, the smoke run in CI.
struct Plan {
    bool smoke = false;
    QSize photo{6000, 4000};  // 24 megapixels
    QSize heifTile{512, 512};
    QSize small{1024, 768};  // the photos whose orientation is read
    int smallCount = 1000;
    int photoRuns = 5;     // runs of the slow variants
    int quickRuns = 9;     // runs of the fast variants
    int refreshRuns = 60;  // refreshes of the same photo
    int startRuns = 5;
    int residentSeconds = 60;  // the resident memory is read this long after the start
};

Plan SmokePlan() {
    Plan p;
    p.smoke = true;
    p.photo = QSize(1200, 800);
    p.heifTile = QSize(256, 256);
    p.small = QSize(320, 240);
    p.smallCount = 40;
    p.photoRuns = 3;
    p.quickRuns = 3;
    p.refreshRuns = 10;
    p.startRuns = 1;
    p.residentSeconds = 3;
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
// sharp, detailed picture.
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

bool Write(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "Could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool Save(const QImage& image, const QString& path, int quality = 90, bool progressive = false) {
    QImageWriter writer(path);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) {
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
            bool ok = false;
            const qint64 kb =
                line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kb : -1;
        }
    }
    return -1;
}

// Restarts the peak resident size count (Linux 4.0 and later).
bool ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1 && refs.flush();
}

int RunChild(const QString& variant, const QString& path, const QString& warmUp, int runs) {
    const QSize target = PhotoArea + QSize(2, 2);
    std::function<QImage()> work;
    if (variant == QLatin1String("naive")) {
        // What a plain program does: decode everything, then draw the part shown stretched
        // into the photo area.
        work = [&] {
            const QImage photo = imaging::DecodeImage(path);
            if (photo.isNull()) {
                return QImage();
            }
            const QRectF part =
                CropRect(photo.size(), 0, 0, 0, double(PhotoArea.width()) / PhotoArea.height());
            QImage cache = imaging::NewImage(target, imaging::ImageKind::Rgb);
            imaging::Surface(cache).DrawImagePart(photo, QRectF(cache.rect()), part);
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
    const bool measured = reset && before > 0 && peak > 0;
    const double ms = MedianMs(runs, [&] { work(); });
    std::printf("RESULT %d %.3f %lld %d\n", ok ? 1 : 0, ms, measured ? peak - before : -1,
                measured ? 1 : 0);
    return ok ? 0 : 1;
}

// ---- parent side ----

struct Verdict {
    bool allMet = true;
    bool allValid = true;
    void target(const char* what, double value, const char* unit, bool met, const char* goal) {
        std::printf("  %-40s %8.2f%s  (target %s): %s\n", what, value, unit, goal,
                    met ? "met" : "MISSED");
        allMet = allMet && met;
    }
    // A figure that could not be measured fails the run, whatever the targets say.
    bool valid(bool ok, const QString& what) {
        if (!ok) {
            std::printf("  INVALID: %s\n", qPrintable(what));
            allValid = false;
        }
        return ok;
    }
};

void Line(const QString& what, double ms, double extraMb = -1,
          const char* peakName = "extra peak") {
    if (extraMb >= 0) {
        std::printf("  %-40s %9.1f ms   %s %7.1f MB\n", qPrintable(what), ms, peakName, extraMb);
    } else {
        std::printf("  %-40s %9.1f ms\n", qPrintable(what), ms);
    }
}

struct ChildResult {
    bool ok = false;
    double ms = 0;
    double extraMb = 0;
};

ChildResult Child(Verdict& verdict, const QString& variant, const QString& path,
                  const QString& warmUp, int runs) {
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--child"), variant, path, warmUp, QString::number(runs)});
    process.waitForFinished(-1);
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    ChildResult r;
    const QString name = variant + QStringLiteral(" decode of ") + QFileInfo(path).fileName();
    if (!verdict.valid(fields.size() == 5 && fields[0] == "RESULT", name + ": no result")) {
        return r;
    }
    r.ok = fields[1] == "1";
    r.ms = fields[2].toDouble();
    r.extraMb = fields[3].toDouble() / 1024;
    verdict.valid(r.ok, name + ": failed");
    verdict.valid(fields[4] == "1", name + ": the peak memory could not be read");
    return r;
}

// Whole-process time (median) and peak of an external decoder; invalid unless every run
// succeeded.
ProcessRun Reference(Verdict& verdict, const QString& program, const QStringList& args, int runs) {
    std::vector<double> times;
    ProcessRun last;
    bool allOk = true;
    for (int i = 0; i < runs; ++i) {
        last = RunProcess(program, args, false);
        allOk = allOk && last.succeeded;
        times.push_back(last.ms);
    }
    const ProcessRun watched = RunProcess(program, args, true);
    allOk = allOk && watched.succeeded && watched.peakMb > 0;
    last.ms = Median(times);
    last.peakMb = watched.peakMb;
    last.succeeded = allOk;
    verdict.valid(allOk, QFileInfo(program).fileName() + QStringLiteral(" failed on ") +
                             args.join(QLatin1Char(' ')));
    return last;
}

QString Tool(Verdict& verdict, const char* name, const char* package) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    verdict.valid(!path.isEmpty(),
                  QStringLiteral("%1 not found (package %2)")
                      .arg(QString::fromLatin1(name), QString::fromLatin1(package)));
    return path;
}

struct Photos {
    QString noise, smooth, progressive, heic, avif;
    QString warmJpeg, warmHeic, warmAvif;
};

bool MakePhotos(const Plan& plan, const QString& folder, Photos& p) {
    p.noise = folder + QStringLiteral("noise.jpg");
    p.smooth = folder + QStringLiteral("camera.jpg");
    p.progressive = folder + QStringLiteral("camera-progressive.jpg");
    p.heic = folder + QStringLiteral("camera.heic");
    p.avif = folder + QStringLiteral("camera.avif");
    p.warmJpeg = folder + QStringLiteral("warm-up.jpg");
    p.warmHeic = folder + QStringLiteral("warm-up.heic");
    p.warmAvif = folder + QStringLiteral("warm-up.avif");
    const QImage camera = PhotoLikeImage(plan.photo, 7);
    const QImage warm = DensePhoto({64, 48}, 2);
    // Phones store HEIC as a grid of tiles; AVIF files are mostly one picture.
    return Save(DensePhoto(plan.photo, 1), p.noise) && Save(camera, p.smooth, 92) &&
           Save(camera, p.progressive, 92, true) &&
           Write(EncodeHeifGrid(camera, HeifCodec::Hevc, plan.heifTile), p.heic) &&
           Write(EncodeHeif(camera, HeifCodec::Av1), p.avif) && Save(warm, p.warmJpeg) &&
           Write(EncodeHeif(warm, HeifCodec::Hevc), p.warmHeic) &&
           Write(EncodeHeif(warm, HeifCodec::Av1), p.warmAvif);
}

struct PhotoChange {
    ChildResult naive, fast;
};

PhotoChange MeasurePhotoChange(Verdict& verdict, const Plan& plan, const QString& title,
                               const QString& path, const QString& warmUp) {
    std::printf("\n%s (%.1f MB)\n", qPrintable(title), QFileInfo(path).size() / 1048576.0);
    PhotoChange c;
    c.naive = Child(verdict, QStringLiteral("naive"), path, warmUp, plan.photoRuns);
    c.fast = Child(verdict, QStringLiteral("fast"), path, warmUp, plan.quickRuns);
    Line(QStringLiteral("naive: decode whole, draw the part"), c.naive.ms, c.naive.extraMb);
    Line(QStringLiteral("ours: decode the part at its size"), c.fast.ms, c.fast.extraMb);
    return c;
}

void BaselineJpegTargets(Verdict& verdict, const Plan& plan, const PhotoChange& c,
                         const QString& djpeg, const QString& path) {
    verdict.target("speed-up against naive", c.naive.ms / c.fast.ms, "x",
                   c.naive.ms / c.fast.ms >= 2, ">= 2x");
    verdict.target("extra peak against naive", 100 * c.fast.extraMb / c.naive.extraMb, "%",
                   c.fast.extraMb <= c.naive.extraMb / 10, "<= 10%");
    if (!djpeg.isEmpty()) {
        const ProcessRun reference =
            Reference(verdict, djpeg,
                      {QStringLiteral("-scale"), QStringLiteral("1/8"), QStringLiteral("-outfile"),
                       QStringLiteral("/dev/null"), path},
                      plan.quickRuns);
        Line(QStringLiteral("djpeg -scale 1/8 (whole process)"), reference.ms, reference.peakMb,
             "peak");
        verdict.target("ours against djpeg", c.fast.ms / reference.ms, "x",
                       c.fast.ms / reference.ms <= 1.3, "<= 1.3x");
    }
}

void PhotoChanges(Verdict& verdict, const Plan& plan, const Photos& p, const QString& folder) {
    std::printf("\nphoto change: %dx%d photos into an %dx%d photo area\n", plan.photo.width(),
                plan.photo.height(), PhotoArea.width(), PhotoArea.height());
    const QString djpeg = Tool(verdict, "djpeg", "libjpeg-turbo-progs");
    const QString heifConvert = Tool(verdict, "heif-convert", "libheif-examples");

    const PhotoChange noise =
        MeasurePhotoChange(verdict, plan, QStringLiteral("noise JPEG"), p.noise, p.warmJpeg);
    BaselineJpegTargets(verdict, plan, noise, djpeg, p.noise);

    const PhotoChange smooth = MeasurePhotoChange(
        verdict, plan, QStringLiteral("camera-like JPEG, baseline"), p.smooth, p.warmJpeg);
    BaselineJpegTargets(verdict, plan, smooth, djpeg, p.smooth);

    // A progressive file needs all its coefficients in memory before the first row: what it
    // adds over the baseline file of the same picture, against libjpeg's own decode of it.
    const PhotoChange progressive = MeasurePhotoChange(
        verdict, plan, QStringLiteral("camera-like JPEG, progressive"), p.progressive, p.warmJpeg);
    if (!djpeg.isEmpty()) {
        const ProcessRun reference =
            Reference(verdict, djpeg,
                      {QStringLiteral("-scale"), QStringLiteral("1/4"), QStringLiteral("-outfile"),
                       QStringLiteral("/dev/null"), p.progressive},
                      plan.quickRuns);
        Line(QStringLiteral("djpeg -scale 1/4 (whole process)"), reference.ms, reference.peakMb,
             "peak");
        const double addedMs = progressive.fast.ms - smooth.fast.ms;
        const double addedMb = progressive.fast.extraMb - smooth.fast.extraMb;
        Line(QStringLiteral("ours: added over the baseline file"), addedMs, addedMb, "added");
        verdict.target("added time against djpeg's time", addedMs / reference.ms, "x",
                       addedMs <= 1.3 * reference.ms, "<= 1.3x");
        verdict.target("added memory against djpeg's peak", addedMb / reference.peakMb, "x",
                       addedMb <= reference.peakMb, "<= 1x");
    }

    // HEIC and AVIF decode only at full size; libheif's own converter is the reference.
    const double pictureMb = 4.0 * plan.photo.width() * plan.photo.height() / 1048576;
    const struct {
        QString title, path, warmUp;
    } heifs[] = {{QStringLiteral("HEIC, grid of tiles"), p.heic, p.warmHeic},
                 {QStringLiteral("AVIF"), p.avif, p.warmAvif}};
    for (const auto& heif : heifs) {
        const PhotoChange c = MeasurePhotoChange(verdict, plan, heif.title, heif.path, heif.warmUp);
        if (heifConvert.isEmpty()) {
            continue;
        }
        const QString out = folder + QStringLiteral("converted.y4m");
        const ProcessRun reference = Reference(
            verdict, heifConvert, {QStringLiteral("--quiet"), heif.path, out}, plan.photoRuns);
        QFile::remove(out);
        Line(QStringLiteral("heif-convert to y4m (whole process)"), reference.ms, reference.peakMb,
             "peak");
        verdict.target("ours against heif-convert", c.fast.ms / reference.ms, "x",
                       c.fast.ms / reference.ms <= 1.3, "<= 1.3x");
        verdict.target("extra peak against the picture's pixels", c.fast.extraMb / pictureMb, "x",
                       c.fast.extraMb <= pictureMb, "<= 1x");
    }
}

// The orientation of many distinct photos from their headers, against decoding each.
void Orientations(Verdict& verdict, const Plan& plan, const QString& folder) {
    std::printf("\norientation of %d distinct JPEGs of %dx%d, half turned by EXIF\n",
                plan.smallCount, plan.small.width(), plan.small.height());
    QDir().mkpath(folder + QStringLiteral("small"));
    QStringList smalls;
    const QImage base = DensePhoto(plan.small, 3);
    for (int i = 0; i < plan.smallCount; ++i) {
        QImage image = base;
        QPainter(&image).fillRect(
            QRect((i * 16) % plan.small.width(), (i / 16) % plan.small.height(), 16, 16),
            QColor::fromRgb(QRgb(0xff000000u | unsigned(i * 2654435761u))));
        const QString name = folder + QStringLiteral("small/%1.jpg").arg(i);
        // Orientation 6: stored wide, shown tall.
        if (!Write(WithExifOrientation(EncodeImage(image, "JPEG", 85), i % 2 ? 6 : 1), name)) {
            verdict.valid(false, QStringLiteral("the small photos could not be written"));
            return;
        }
        smalls << name;
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
                  QStringLiteral("orientations disagree"));
    Line(QStringLiteral("decode each photo"), decodes);
    Line(QStringLiteral("read each header"), headers);
    verdict.target("ratio", decodes / headers, "x", decodes / headers >= 100, ">= 100x");
}

// Whole refreshes of the frame window: composing, presenting, the input region, the
// working-set trim and the window's repaint.
void Refreshes(Verdict& verdict, const Plan& plan, const Photos& p, const QString& folder) {
    std::printf(
        "\nwhole refresh of the frame window, a 400x300 skin at scale 1.0, angle 17 "
        "degrees (%s)\n",
        qPrintable(QGuiApplication::platformName()));
    TempFolder = folder;
    SkinsFolder = folder + QStringLiteral("no-skins/");
    SettingsFile = folder + QStringLiteral("Tallowquince.TQSettings");  // the frame saves changes
    Settings.modefile = true;
    Settings.file = p.noise;
    TSkins skins;
    TFiles files;
    NoCommands commands;
    TPhotoForm form(skins, files, commands, MenuImages{});
    form.SetSkin(MakeSkin(folder));
    form.SetScale(1.0);
    form.SetAngle(17);
    form.show();
    QElapsedTimer shown;
    shown.start();
    while (!(form.windowHandle() && form.windowHandle()->isExposed()) && shown.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    verdict.valid(form.windowHandle() && form.windowHandle()->isExposed(),
                  QStringLiteral("the frame window was not shown"));
    // The repaint's share: painting, handing the picture to the X server and waiting for it.
    std::vector<double> repaints;
    const auto refresh = [&](int step) {
        form.RefreshFrame(step);
        QElapsedTimer repaint;
        repaint.start();
        QCoreApplication::processEvents();
        repaints.push_back(repaint.nsecsElapsed() / 1e6);
    };
    refresh(0);  // loads the layers
    int flip = 0;
    const QString second = folder + QStringLiteral("noise-b.jpg");
    QFile::copy(p.noise, second);
    const double changing = MedianMs(plan.photoRuns, [&] {
        Settings.file = (++flip % 2) ? second : p.noise;
        refresh(+1);
    });
    repaints.clear();
    const double still = MedianMs(plan.refreshRuns, [&] { refresh(0); });
    const double repainting = Median(repaints);
    const QImage& canvas = form.PresentedCanvas();
    verdict.valid(canvas.width() == 568 && qAlpha(canvas.pixel(284, 284)) == 255,
                  QStringLiteral("a refresh drew nothing"));
    Line(QStringLiteral("changing the photo"), changing);
    Line(QStringLiteral("the same photo, caches warm"), still);
    Line(QStringLiteral("  of which the repaint and the X server"), repainting);
    verdict.target("ratio", changing / still, "x", changing / still >= 50, ">= 50x");
}

// ---- start-up against feh ----

struct StartUp {
    bool ok = false;
    double ms = 0;
    double residentMb = -1;
};

// Starts `program` `runs` times to its window on screen, then once more for its resident
// memory `residentSeconds` after its start.
StartUp MeasureStartUp(Verdict& verdict, WindowWatch& watch, const Plan& plan, const QString& name,
                       const QString& program, const QStringList& args,
                       const std::vector<std::pair<QString, QString>>& environment,
                       bool endsCleanly) {
    StartUp result;
    std::vector<double> times;
    for (int run = 0; run <= plan.startRuns; ++run) {
        watch.expectNewWindows();
        QElapsedTimer timer;
        timer.start();
        BackgroundProcess process(program, args, environment);
        if (!verdict.valid(process.started() && watch.waitForNewWindow(64, 30000),
                           name + QStringLiteral(": no window within 30 s"))) {
            return result;
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (run == plan.startRuns) {
            QThread::msleep(
                std::max<qint64>(0, qint64(plan.residentSeconds) * 1000 - timer.elapsed()));
            result.residentMb = process.residentMb();
            verdict.valid(result.residentMb > 0,
                          name + QStringLiteral(": its resident memory could not be read"));
        } else {
            QThread::msleep(300);  // lets it settle, so that it ends as usual
        }
        const bool running = process.running();
        const bool stopped = process.stop();
        verdict.valid(running, name + QStringLiteral(" ended by itself"));
        verdict.valid(stopped || !endsCleanly,
                      name + QStringLiteral(" did not end cleanly on SIGTERM"));
    }
    times.erase(times.begin());  // the first start fills the caches and installs the skins
    result.ms = Median(times);
    result.ok = true;
    Line(name + QStringLiteral(": start to window on screen"), result.ms);
    std::printf(
        "  %-40s %9.1f MB\n",
        qPrintable(name + QStringLiteral(": resident after %1 s").arg(plan.residentSeconds)),
        result.residentMb);
    return result;
}

void StartUps(Verdict& verdict, const Plan& plan, const Photos& p, const QString& folder) {
    std::printf(
        "\nstart-up showing the %dx%d camera-like JPEG, against feh -g 800x600 "
        "--scale-down\n",
        plan.photo.width(), plan.photo.height());
    WindowWatch watch;
    if (!verdict.valid(watch.usable(),
                       QStringLiteral("no desktop with a window manager (run it inside "
                                      "tests/e2e/desktop-session)"))) {
        return;
    }
    const QString feh = Tool(verdict, "feh", "feh");
    const QString home = folder + QStringLiteral("home/");
    for (const char* sub : {"config/Tallowquince", "data", "tmp"}) {
        QDir().mkpath(home + QString::fromLatin1(sub));
    }
    QFile settings(home + QStringLiteral("config/Tallowquince/Tallowquince.TQSettings"));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write(QStringLiteral("modefile=TRUE\r\nfile=%1\r\nautoupdate=FALSE\r\n"
                                      "x=100\r\ny=100\r\nscale=5000000\r\n")
                           .arg(p.smooth)
                           .toLocal8Bit()) < 0) {
        verdict.valid(false, QStringLiteral("the settings could not be written"));
        return;
    }
    settings.close();
    const StartUp ours = MeasureStartUp(
        verdict, watch, plan, QStringLiteral("Tallowquince"), QStringLiteral(TQ_PROGRAM), {},
        {{QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("config")},
         {QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("data")},
         {QStringLiteral("TMPDIR"), home + QStringLiteral("tmp")}},
        true);
    if (feh.isEmpty() || !ours.ok) {
        return;
    }
    const StartUp theirs = MeasureStartUp(
        verdict, watch, plan, QStringLiteral("feh"), feh,
        {QStringLiteral("-g"), QStringLiteral("800x600"), QStringLiteral("--scale-down"), p.smooth},
        {}, false);  // feh ends on SIGTERM by the signal's default action
    if (!theirs.ok) {
        return;
    }
    // Measured when this benchmark was written: 480 ms and 36 MB against feh's 740 ms and 104 MB.
    verdict.target("time against feh", ours.ms / theirs.ms, "x", ours.ms / theirs.ms <= 0.65,
                   "<= 0.65x");
    verdict.target("resident memory against feh", ours.residentMb / theirs.residentMb, "x",
                   ours.residentMb / theirs.residentMb <= 0.35, "<= 0.35x");
}

int RunBenchmarks(const Plan& plan, const QString& only) {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "No temporary folder\n");
        return 2;
    }
    const QString folder = dir.path() + QLatin1Char('/');
    Verdict verdict;
    std::printf("Tallowquince benchmarks (%s run): medians; ratios against baselines of this run\n",
                plan.smoke ? "smoke" : "full");
    std::fflush(stdout);

    Photos photos;
    if (!MakePhotos(plan, folder, photos)) {
        return 2;
    }
    const auto wanted = [&](const char* section) {
        return only.isEmpty() || only == QLatin1String(section);
    };
    if (wanted("photos")) {
        PhotoChanges(verdict, plan, photos, folder);
        std::fflush(stdout);
    }
    if (wanted("orientation")) {
        Orientations(verdict, plan, folder);
        std::fflush(stdout);
    }
    if (wanted("refresh")) {
        Refreshes(verdict, plan, photos, folder);
        std::fflush(stdout);
    }
    if (wanted("start-up")) {
        StartUps(verdict, plan, photos, folder);
    }

    if (!verdict.allValid) {
        std::printf("\nsome figures are INVALID\n");
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
    if (argc == 6 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication app(argc, argv);
        return RunChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                        QString::fromLocal8Bit(argv[4]), QByteArray(argv[5]).toInt());
    }
    bool smoke = false;
    QString only;
    const QStringList sections{QStringLiteral("photos"), QStringLiteral("orientation"),
                               QStringLiteral("refresh"), QStringLiteral("start-up")};
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--smoke")) {
            smoke = true;
        } else if (arg.startsWith(QLatin1String("--only=")) && sections.contains(arg.mid(7))) {
            only = arg.mid(7);
        } else {
            std::fprintf(stderr, "usage: tq_bench [--smoke] [--only=%s]\n",
                         qPrintable(sections.join(QLatin1Char('|'))));
            return 2;
        }
    }
    QApplication app(argc, argv);
    return RunBenchmarks(smoke ? SmokePlan() : Plan(), only);
}
