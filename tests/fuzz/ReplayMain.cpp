// Runs a fuzz target's input function on every file of the given corpus folders, so that
// each input ever kept (a fixed crash among them) is an ordinary test in every build.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        QDir folder(QString::fromLocal8Bit(argv[i]));
        if (!folder.exists()) {
            std::fprintf(stderr, "No corpus folder %s\n", argv[i]);
            return 1;
        }
        const QFileInfoList entries = folder.entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& entry : entries) {
            QFile file(entry.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "Cannot read %s\n", qPrintable(entry.filePath()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::printf("%s (%lld bytes)\n", qPrintable(entry.fileName()),
                        static_cast<long long>(bytes.size()));
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
            ++files;
        }
    }
    std::printf("%d inputs replayed\n", files);
    return files > 0 ? 0 : 1;
}
