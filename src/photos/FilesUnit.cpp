#include "FilesUnit.h"

#include "core/GlobalsUnit.h"
#include "core/Messages.h"
#include "core/SettingsUnit.h"
#include "i18n/TranslationsUnit.h"
#include "imaging/Imaging.h"
#include "platform/Platform.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <random>

RandomSource ClockSeededRandom() {
    static std::mt19937 generator(
        unsigned(std::chrono::system_clock::now().time_since_epoch().count()));
    return
        [](int k) { return k <= 0 ? 0 : std::uniform_int_distribution<int>(0, k - 1)(generator); };
}

TFiles::TFiles(RandomSource random) : random(std::move(random)) {}

void TFiles::Rebuild() {
    OrderedList.clear();
    CurrentIndex = 0;
    std::set<platform::FolderIdentity> visited;
    ScanFolder(WithTrailingBackslash(Settings.folder), visited);
    ShuffledList = OrderedList;
    if (ShuffledList.empty()) {
        ShowMessage(MessageKind::Error, GetText(200));
        return;
    }
    Shuffle();
}

void TFiles::ScanFolder(const QString& dir, std::set<platform::FolderIdentity>& visited) {
    if (const auto identity = platform::IdentifyFolder(dir.toStdString())) {
        if (!visited.insert(*identity).second) {
            return;
        }
    }
    QDirIterator entries(dir,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        // Links are followed. Only regular files are photos: a named pipe, a socket or a
        // device would block or never end when read.
        const QFileInfo info = entries.fileInfo();
        if (info.isDir()) {
            if (Settings.subfolders) {
                ScanFolder(dir + name + QDir::separator(), visited);
            }
        } else if (info.isFile() && IsPhotoFile(name)) {
            OrderedList.push_back({dir + name, 0});
            if (OrderedList.size() > size_t(SoftLimit)) {
                return;
            }
        }
    }
}

void TFiles::Shuffle() {
    // Two passes of swaps with fixed ends; the last position is never drawn as a partner.
    const int n = int(ShuffledList.size());
    const auto draw = [&] { return std::clamp(random(n - 1), 0, std::max(n - 2, 0)); };
    for (int i = 0; i < n; ++i) {
        std::swap(ShuffledList[0], ShuffledList[draw()]);
    }
    for (int i = 0; i < n; ++i) {
        std::swap(ShuffledList[n - 1], ShuffledList[draw()]);
    }
}

QString TFiles::NextPhoto(int step, char wanted) {
    QString result;
    if (Settings.modefile) {
        result = Settings.file;
    } else if (!OrderedList.empty()) {
        std::vector<PhotoEntry>& list = Settings.random ? ShuffledList : OrderedList;
        const int count = int(list.size());
        const int start = CurrentIndex;
        // A full circle takes `count` steps; the bound also ends any other step size.
        for (int moves = 0; moves < count; ++moves) {
            CurrentIndex += step;
            if (CurrentIndex < 0) {
                CurrentIndex = count - 1;
            }
            if (CurrentIndex > count - 1) {
                CurrentIndex = 0;
            }
            PhotoEntry& entry = list[size_t(CurrentIndex)];
            result = entry.path;
            if (!Settings.skip || step == 0) {
                break;
            }
            if (entry.orientation == 0) {
                entry.orientation = FileOrientation(entry.path);
            }
            if (CurrentIndex == start || entry.orientation == wanted) {
                break;
            }
        }
    }
    if (result.isEmpty() || !QFileInfo(result).isFile()) {
        result = SampleFile();
    }
    return result;
}

char TFiles::FileOrientation(const QString& path) {
    const QSize size = imaging::ImageSize(path);
    if (size.isEmpty()) {
        return 'H';
    }
    return PhotoOrientation(double(size.width()) / size.height());
}

bool TFiles::IsPhotoFile(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return false;
    }
    // Only ASCII letters are folded, so that no other script's case rules make a match.
    QString extension = name.mid(dot);
    for (QChar& c : extension) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            c = QChar(c.unicode() - 'a' + 'A');
        }
    }
    return PhotoExtensions().contains(extension);
}

const QStringList& TFiles::PhotoExtensions() {
    static const QStringList extensions{".JPG",  ".JPEG", ".BMP", ".HEIC",
                                        ".HEIF", ".AVIF", ".WEBP"};
    return extensions;
}

QString TFiles::SampleFile() {
    return SamplePhotoFile();
}
