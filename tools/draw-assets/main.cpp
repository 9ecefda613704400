// Draws the bundled skins and the sample photo, and previews of the skins around the photo.
// Usage: draw-assets DATA_FOLDER PREVIEW_FOLDER

#include "Landscape.h"
#include "Output.h"
#include "Skins.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

namespace {

int run(const QString& dataFolder, const QString& previewFolder) {
    if (!QDir().mkpath(dataFolder) || !QDir().mkpath(previewFolder)) {
        std::fprintf(stderr, "draw-assets: cannot create the output folders\n");
        return 1;
    }
    const QString samplePath = QDir(dataFolder).filePath("sample.jpg");
    saveImage(drawLandscape(1600, 1200), samplePath, "jpeg", 88);
    // The previews use the photo as the program reads it, JPEG artefacts and all.
    const QImage photo(samplePath);
    if (photo.isNull()) {
        std::fprintf(stderr, "draw-assets: cannot read back %s\n", qPrintable(samplePath));
        return 1;
    }

    std::vector<QImage> previews;
    for (const auto draw : {drawWalnut, drawSilverPortrait, drawGildedOval}) {
        const DrawnSkin skin = draw();
        writeSkinFolder(skin, QDir(dataFolder).filePath("skins/" + skin.folder));
        previews.push_back(previewOf(composeFrame(skin, photo)));
        saveImage(previews.back(), QDir(previewFolder).filePath(skin.folder + ".png"), "png");
        std::printf("%s: %dx%d\n", qPrintable(skin.name), skin.canvas.width(),
                    skin.canvas.height());
    }
    saveImage(contactSheet(previews), QDir(previewFolder).filePath("all.png"), "png");
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "Usage: draw-assets DATA_FOLDER PREVIEW_FOLDER\n");
        return 2;
    }
    try {
        return run(args.at(1), args.at(2));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "draw-assets: %s\n", error.what());
        return 1;
    }
}
