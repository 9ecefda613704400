#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <set>
#include <vector>

namespace platform {
struct FolderIdentity;
}

// One photo of the list: its full path and its orientation, 'H' or 'V' once read, else 0.
struct PhotoEntry {
    QString path;
    char orientation = 0;
};

// Yields an integer from 0 to k - 1, and 0 for k = 0.
using RandomSource = std::function<int(int k)>;

// A uniform generator seeded from the clock once per run.
RandomSource ClockSeededRandom();

// The photo list: the photos of the chosen folder in scan order and shuffled, and the choice
// of the photo to show. Reads the settings `modefile`, `file`, `folder`, `subfolders`,
// `random` and `skip`.
class TFiles {
public:
    explicit TFiles(RandomSource random = ClockSeededRandom());

    // Rescans the folder and reshuffles; reports a folder without photos.
    void Rebuild();
    // Moves by `step` (+1, -1 or 0) and answers the path to show, which always names an
    // existing file or is the sample photo. With `skip`, passes over photos whose
    // orientation is not `wanted`.
    QString NextPhoto(int step, char wanted);

    // 'H' for landscape or square, 'V' for portrait, read from the file's header; 'H' when
    // the file cannot be read.
    static char FileOrientation(const QString& path);
    static bool IsPhotoFile(const QString& name);
    // The extensions of photo files, in capitals with their dot.
    static const QStringList& PhotoExtensions();
    // The photo shown when there is nothing else: "sample.jpg" beside the program.
    static QString SampleFile();

    // The scan stops adding photos once the list holds more than this many.
    static constexpr int SoftLimit = 1000;

    std::vector<PhotoEntry> OrderedList;
    std::vector<PhotoEntry> ShuffledList;
    qint32 CurrentIndex = 0;

private:
    void ScanFolder(const QString& dir, std::set<platform::FolderIdentity>& visited);
    void Shuffle();

    RandomSource random;
};
