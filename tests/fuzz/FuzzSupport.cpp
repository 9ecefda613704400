#include "FuzzSupport.h"

#include "core/GlobalsUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QCoreApplication> application;
std::unique_ptr<QTemporaryDir> scratch;

}  // namespace

void SetUpFuzzing(int* argc, char*** argv) {
    if (application) {
        return;
    }
    application = std::make_unique<QCoreApplication>(*argc, *argv);
    scratch = std::make_unique<QTemporaryDir>();
    if (!scratch->isValid()) {
        FuzzFailure("no scratch folder");
    }
    ProgramFolder = ScratchFolder();
    TempFolder = ScratchFolder() + QStringLiteral("TQTemp/");
    SkinsFolder = ScratchFolder() + QStringLiteral("Skins/");
    LocalesFolder = ScratchFolder() + QStringLiteral("Locales/");
    SettingsFile = ScratchFolder() + QStringLiteral("Tallowquince.TQSettings");
    for (const QString& folder : {TempFolder, SkinsFolder, LocalesFolder}) {
        QDir().mkpath(folder);
    }
    // The photo that the composition draws into a skin.
    QImage sample(64, 48, QImage::Format_RGB32);
    sample.fill(Qt::darkCyan);
    if (!sample.save(ProgramFolder + QStringLiteral("sample.jpg"), "JPEG")) {
        FuzzFailure("cannot write the sample photo");
    }
    // Destroyed before the statics of the libraries, in the right order.
    std::atexit([] {
        scratch.reset();
        application.reset();
    });
}

QString ScratchFolder() {
    return scratch->path() + QLatin1Char('/');
}

void WriteScratchFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        FuzzFailure("cannot write a scratch file");
    }
}

void ClearTempFolder() {
    QDir(TempFolder).removeRecursively();
    QDir().mkpath(TempFolder);
}

void FuzzFailure(const char* what) {
    std::fprintf(stderr, "Fuzz target failure: %s\n", what);
    std::abort();
}
