#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "photos/FilesUnit.h"
#include "support/ImageSupport.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include <sys/stat.h>

Q_DECLARE_METATYPE(std::vector<int>)

class TestPhotos : public QObject {
    Q_OBJECT

private:
    // Each test gets a fresh folder, the settings of folder mode and a program folder with
    // the sample photo; the globals are restored afterwards.
    std::unique_ptr<QTemporaryDir> dir;
    TSettings savedSettings;
    QString savedShippedFolder;

    QString root() const { return dir->path() + QLatin1Char('/'); }
    QString photos() const { return root() + QStringLiteral("photos/"); }

    void writePhoto(const QString& relative, const QSize& size = {30, 20}, int exif = 0) {
        WriteImage(photos() + relative, QuadrantImage(size), exif);
    }
    static QStringList Paths(const std::vector<PhotoEntry>& list) {
        QStringList paths;
        for (const PhotoEntry& e : list) {
            paths << e.path;
        }
        return paths;
    }
    // A list built from the given photo names without scanning, in this order.
    void setList(TFiles& files, const QStringList& names) {
        files.OrderedList.clear();
        for (const QString& name : names) {
            files.OrderedList.push_back({photos() + name, 0});
        }
        files.ShuffledList = files.OrderedList;
        files.CurrentIndex = 0;
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        savedSettings = Settings;
        savedShippedFolder = ShippedDataFolder;
        ShippedDataFolder = root() + QStringLiteral("program/");
        WriteImage(ShippedDataFolder + QStringLiteral("sample.jpg"), QuadrantImage({8, 8}));
        QVERIFY(QDir().mkpath(photos()));
        Settings.modefile = false;
        Settings.folder = photos();
        Settings.subfolders = true;
        Settings.random = false;
        Settings.skip = false;
    }
    void cleanup() {
        Settings = savedSettings;
        ShippedDataFolder = savedShippedFolder;
        dir.reset();
    }

    void isPhotoFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("photo");
        QTest::newRow("jpg") << "a.jpg" << true;
        QTest::newRow("JPEG in capitals") << "PHOTO.JPEG" << true;
        QTest::newRow("mixed case jpeg") << "Photo.jpeg" << true;
        QTest::newRow("BMP") << "PHOTO.BMP" << true;
        QTest::newRow("HEIC from a phone") << "IMG_0001.HEIC" << true;
        QTest::newRow("heif") << "a.heif" << true;
        QTest::newRow("avif") << "a.avif" << true;
        QTest::newRow("WebP in mixed case") << "a.WebP" << true;
        QTest::newRow("png") << "a.png" << false;
        QTest::newRow("gif") << "a.gif" << false;
        QTest::newRow("no extension") << "jpg" << false;
        QTest::newRow("extension of an earlier part") << "a.jpg.txt" << false;
        QTest::newRow("dotted folder part only") << "x.jpg/readme" << false;
        QTest::newRow("non-ASCII case is not folded") << "a.\u0130PG" << false;
    }
    void isPhotoFile() {
        QFETCH(QString, name);
        QFETCH(bool, photo);
        QCOMPARE(TFiles::IsPhotoFile(name), photo);
    }

    void scanListsPhotosDepthFirst() {
        writePhoto("Photo.jpeg");
        writePhoto("PHOTO.BMP");
        writePhoto("c.JpG");
        WriteFile(photos() + "a.png", EncodeImage(QuadrantImage({4, 4}), "PNG"));
        WriteFile(photos() + "b.gif", "GIF89a");
        WriteFile(photos() + ".hidden.jpg", "not decoded by the scan");
        WriteFile(photos() + "IMG_0001.HEIC", "not decoded by the scan");
        WriteFile(photos() + "web.webp", "not decoded by the scan");
        writePhoto("sub/d.jpg");
        writePhoto("sub/e.jpg");
        writePhoto("sub/deeper/f.jpg");
        writePhoto("other/g.jpg");

        MessageRecorder messages;
        TFiles files;
        files.Rebuild();
        QVERIFY(messages.messages.isEmpty());
        const QStringList paths = Paths(files.OrderedList);
        const QStringList expected{"Photo.jpeg",       "PHOTO.BMP",  "c.JpG",     ".hidden.jpg",
                                   "IMG_0001.HEIC",    "web.webp",   "sub/d.jpg", "sub/e.jpg",
                                   "sub/deeper/f.jpg", "other/g.jpg"};
        QCOMPARE(paths.size(), expected.size());
        for (const QString& name : expected) {
            QVERIFY2(paths.contains(photos() + name), qPrintable(name));
        }
        // A sub-folder's photos stand together where the sub-folder was met.
        qsizetype first = 0;
        while (first < paths.size() && !paths[first].contains("/sub/")) {
            ++first;
        }
        QVERIFY(first + 3 <= paths.size());
        for (qsizetype i = 0; i < 3; ++i) {
            QVERIFY(paths[first + i].contains("/sub/"));
        }
        QCOMPARE(files.CurrentIndex, 0);
        QCOMPARE(files.ShuffledList.size(), files.OrderedList.size());
    }

    void subfoldersOffIgnoresPhotosBelow() {
        writePhoto("sub/a.jpg");
        writePhoto("sub/b.jpg");
        Settings.subfolders = false;
        MessageRecorder messages;
        TFiles files;
        files.Rebuild();
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages[0].kind, MessageKind::Error);
        QCOMPARE(messages.messages[0].text,
                 QStringLiteral("There are not images in Selected Folder:\r\n"));
        QVERIFY(files.OrderedList.empty());
        QVERIFY(files.ShuffledList.empty());
        QCOMPARE(files.NextPhoto(1, 'H'), TFiles::SampleFile());
    }

    void missingFolderReportsNoPhotos() {
        Settings.folder = root() + "gone";
        MessageRecorder messages;
        TFiles files;
        files.Rebuild();
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(files.NextPhoto(0, 'H'), TFiles::SampleFile());
    }

    void symbolicLinkLoopEnds() {
        writePhoto("a.jpg");
        writePhoto("real/b.jpg");
        QVERIFY(QFile::link(photos(), photos() + "real/up"));
        QVERIFY(QFile::link(photos() + "real", photos() + "alias"));
        TFiles files;
        files.Rebuild();
        QStringList names;
        for (const QString& path : Paths(files.OrderedList)) {
            names << QFileInfo(path).fileName();
        }
        names.sort();
        QCOMPARE(names, (QStringList{"a.jpg", "b.jpg"}));
    }

    void fiveThousandPhotosGiveOneThousandAndOne() {
        for (int i = 0; i < 5000; ++i) {
            QFile f(photos() + QString("p%1.jpg").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        TFiles files;
        files.Rebuild();
        QCOMPARE(files.OrderedList.size(), size_t(TFiles::SoftLimit + 1));
        QCOMPARE(files.ShuffledList.size(), size_t(TFiles::SoftLimit + 1));
    }

    void limitEndsEachEnclosingFolderAtItsNextPhoto() {
        for (int i = 0; i < 1001; ++i) {
            QFile f(photos() + QString("deep/p%1.jpg").arg(i));
            QVERIFY(QDir().mkpath(photos() + "deep") && f.open(QIODevice::WriteOnly));
        }
        writePhoto("x1.jpg");
        writePhoto("x2.jpg");
        TFiles files;
        files.Rebuild();
        // The deep folder alone fills the list to 1001; at most one photo of the top folder
        // follows it, since that photo ends the top folder's enumeration.
        QVERIFY(files.OrderedList.size() >= 1001);
        QVERIFY(files.OrderedList.size() <= 1002);
    }

    void steppingWrapsBothWays() {
        writePhoto("a.jpg");
        writePhoto("b.jpg");
        writePhoto("c.jpg");
        TFiles files;
        setList(files, {"a.jpg", "b.jpg", "c.jpg"});
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "b.jpg");
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "c.jpg");
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "a.jpg");
        QCOMPARE(files.CurrentIndex, 0);
        QCOMPARE(files.NextPhoto(-1, 'H'), photos() + "c.jpg");
        QCOMPARE(files.CurrentIndex, 2);
        QCOMPARE(files.NextPhoto(0, 'H'), photos() + "c.jpg");
    }

    void onePhotoAnswersItself_data() {
        QTest::addColumn<bool>("skip");
        QTest::newRow("without skipping") << false;
        QTest::newRow("skipping, wrong orientation") << true;
    }
    void onePhotoAnswersItself() {
        QFETCH(bool, skip);
        writePhoto("only.jpg", {30, 20});
        Settings.skip = skip;
        TFiles files;
        files.Rebuild();
        for (int step : {1, 1, -1, 0, -1}) {
            QCOMPARE(files.NextPhoto(step, 'V'), photos() + "only.jpg");
            QCOMPARE(files.CurrentIndex, 0);
        }
    }

    void skippingPassesOtherOrientations() {
        writePhoto("h1.jpg", {30, 20});
        writePhoto("v1.jpg", {20, 30});
        writePhoto("v2.jpg", {30, 20}, 6);                  // stored wide, shown tall
        writePhoto("h2.jpg", {20, 20});                     // square counts as landscape
        WriteFile(photos() + "broken.jpg", "not a photo");  // unreadable counts as landscape
        Settings.skip = true;
        TFiles files;
        setList(files, {"h1.jpg", "v1.jpg", "v2.jpg", "h2.jpg", "broken.jpg"});

        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "h2.jpg");
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "broken.jpg");
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "h1.jpg");
        QCOMPARE(files.NextPhoto(-1, 'V'), photos() + "v2.jpg");
        QCOMPARE(files.NextPhoto(-1, 'V'), photos() + "v1.jpg");
        // Step 0 answers the current photo whatever it shows.
        QCOMPARE(files.NextPhoto(0, 'H'), photos() + "v1.jpg");
        const std::string letters{
            files.OrderedList[0].orientation, files.OrderedList[1].orientation,
            files.OrderedList[2].orientation, files.OrderedList[3].orientation,
            files.OrderedList[4].orientation};
        QCOMPARE(letters, std::string("HVVHH"));
        // The shuffled list learns its orientations on its own.
        QCOMPARE(files.ShuffledList[0].orientation, '\0');
    }

    void noPhotoOfTheWantedOrientationKeepsTheCurrent() {
        writePhoto("v1.jpg", {20, 30});
        writePhoto("v2.jpg", {20, 30});
        writePhoto("v3.jpg", {20, 30});
        Settings.skip = true;
        TFiles files;
        setList(files, {"v1.jpg", "v2.jpg", "v3.jpg"});
        files.CurrentIndex = 1;
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "v2.jpg");
        QCOMPARE(files.CurrentIndex, 1);
        QCOMPARE(files.NextPhoto(-1, 'H'), photos() + "v2.jpg");
        for (const PhotoEntry& e : files.OrderedList) {
            QCOMPARE(e.orientation, 'V');
        }
    }

    void fileOrientation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("turn");
        QTest::addColumn<char>("letter");
        QTest::newRow("landscape") << "o.jpg" << QSize(40, 30) << 0 << 'H';
        QTest::newRow("portrait") << "o.jpg" << QSize(30, 40) << 0 << 'V';
        QTest::newRow("square") << "o.jpg" << QSize(30, 30) << 0 << 'H';
        QTest::newRow("stored landscape, turned by EXIF") << "o.jpg" << QSize(40, 30) << 8 << 'V';
        QTest::newRow("stored portrait, turned by EXIF") << "o.jpg" << QSize(30, 40) << 6 << 'H';
        QTest::newRow("stored landscape, turned half by EXIF")
            << "o.jpg" << QSize(40, 30) << 3 << 'H';
        QTest::newRow("WebP, turned by EXIF") << "o.webp" << QSize(40, 30) << 6 << 'V';
        QTest::newRow("HEIC portrait") << "o.heic" << QSize(30, 40) << 0 << 'V';
        QTest::newRow("HEIC stored landscape, turned by the container")
            << "o.heic" << QSize(40, 30) << 6 << 'V';
        QTest::newRow("AVIF stored portrait, turned by the container")
            << "o.avif" << QSize(30, 40) << 8 << 'H';
    }
    void fileOrientation() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(int, turn);
        QFETCH(char, letter);
        writePhoto(name, size, turn);
        QCOMPARE(TFiles::FileOrientation(photos() + name), letter);
    }

    void undecodableFilesCountAsLandscape() {
        WriteFile(photos() + "text.jpg", "no image");
        WriteFile(photos() + "empty.jpg", "");
        QCOMPARE(TFiles::FileOrientation(photos() + "text.jpg"), 'H');
        QCOMPARE(TFiles::FileOrientation(photos() + "empty.jpg"), 'H');
        QCOMPARE(TFiles::FileOrientation(photos() + "missing.jpg"), 'H');
    }

    void singleFileModeAnswersTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("exists");
        QTest::newRow("existing file") << "single.jpg" << true;
        QTest::newRow("missing file") << "gone.jpg" << false;
        QTest::newRow("empty setting") << "" << false;
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("a named pipe") << "pipe.jpg" << false;
    }
    void singleFileModeAnswersTheFile() {
        QFETCH(QString, file);
        QFETCH(bool, exists);
        writePhoto("single.jpg");
        QDir().mkpath(photos() + "folder");
        QCOMPARE(::mkfifo(QFile::encodeName(photos() + "pipe.jpg").constData(), 0600), 0);
        writePhoto("listed.jpg");
        TFiles files;
        files.Rebuild();
        Settings.modefile = true;
        Settings.file = file.isEmpty() ? QString() : photos() + file;
        const QString expected = exists ? photos() + file : TFiles::SampleFile();
        for (int step : {1, -1, 0}) {
            QCOMPARE(files.NextPhoto(step, 'H'), expected);
        }
    }

    // Reading a named pipe would wait for a writer for ever, on the user-interface thread.
    void scanListsOnlyRegularFiles() {
        writePhoto("a.jpg", {20, 30});
        QCOMPARE(::mkfifo(QFile::encodeName(photos() + "b.jpg").constData(), 0600), 0);
        QVERIFY(QFile::link(photos() + "a.jpg", photos() + "link.jpg"));
        QVERIFY(QFile::link(photos() + "gone.jpg", photos() + "dangling.jpg"));
        TFiles files;
        files.Rebuild();
        QStringList paths = Paths(files.OrderedList);
        paths.sort();
        QCOMPARE(paths, QStringList({photos() + "a.jpg", photos() + "link.jpg"}));
        // With skip on, each listed file's header is read in search of a landscape photo.
        Settings.skip = true;
        QVERIFY(paths.contains(files.NextPhoto(1, 'H')));
    }

    void deletedPhotoAnswersTheSampleAndStaysListed() {
        writePhoto("a.jpg");
        writePhoto("b.jpg");
        TFiles files;
        setList(files, {"a.jpg", "b.jpg"});
        QVERIFY(QFile::remove(photos() + "b.jpg"));
        QCOMPARE(files.NextPhoto(1, 'H'), TFiles::SampleFile());
        QCOMPARE(files.OrderedList.size(), size_t(2));
        QCOMPARE(files.NextPhoto(1, 'H'), photos() + "a.jpg");
    }

    // The two-pass swap: n swaps of entry 0 with R(n - 1), then n swaps of entry n - 1 with
    // R(n - 1), where R(k) draws from 0..k-1.
    void shuffleFollowsTheTwoPassScheme_data() {
        QTest::addColumn<std::vector<int>>("draws");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("always 0") << std::vector<int>{0, 0, 0, 0, 0, 0}
                                  << QStringList{"c.jpg", "b.jpg", "a.jpg"};
        QTest::newRow("always 1") << std::vector<int>{1, 1, 1, 1, 1, 1}
                                  << QStringList{"b.jpg", "c.jpg", "a.jpg"};
        QTest::newRow("mixed") << std::vector<int>{1, 0, 0, 0, 1, 1}
                               << QStringList{"c.jpg", "a.jpg", "b.jpg"};
        QTest::newRow("out-of-range draws are kept in range")
            << std::vector<int>{7, -3, 7, 9, 9, 9} << QStringList{"a.jpg", "c.jpg", "b.jpg"};
    }
    void shuffleFollowsTheTwoPassScheme() {
        QFETCH(std::vector<int>, draws);
        QFETCH(QStringList, order);
        writePhoto("a.jpg");
        writePhoto("b.jpg");
        writePhoto("c.jpg");
        std::vector<int> asked;
        size_t next = 0;
        TFiles files([&](int k) {
            asked.push_back(k);
            return draws[next++ % draws.size()];
        });
        files.Rebuild();
        // Scan order is the file system's: name the shuffled entries by scan position.
        QStringList scanned;
        for (const PhotoEntry& e : files.OrderedList) {
            scanned << QFileInfo(e.path).fileName();
        }
        const QStringList byPosition{"a.jpg", "b.jpg", "c.jpg"};
        QStringList shuffled;
        for (const PhotoEntry& e : files.ShuffledList) {
            shuffled << byPosition[scanned.indexOf(QFileInfo(e.path).fileName())];
        }
        QCOMPARE(shuffled, order);
        QCOMPARE(asked, (std::vector<int>(6, 2)));
        QCOMPARE(files.CurrentIndex, 0);
    }

    void randomSwitchesListsKeepingTheIndex() {
        writePhoto("a.jpg");
        writePhoto("b.jpg");
        writePhoto("c.jpg");
        TFiles files([](int) { return 0; });
        files.Rebuild();
        QCOMPARE(files.NextPhoto(1, 'H'), files.OrderedList[1].path);
        Settings.random = true;
        QCOMPARE(files.NextPhoto(0, 'H'), files.ShuffledList[1].path);
        QCOMPARE(files.NextPhoto(1, 'H'), files.ShuffledList[2].path);
    }

    void clockSeededShuffleIsAPermutation() {
        for (int i = 0; i < 6; ++i) {
            writePhoto(QString("p%1.jpg").arg(i));
        }
        TFiles files;
        for (int round = 0; round < 5; ++round) {
            files.Rebuild();
            QStringList ordered = Paths(files.OrderedList), shuffled = Paths(files.ShuffledList);
            ordered.sort();
            shuffled.sort();
            QCOMPARE(shuffled, ordered);
            QCOMPARE(files.CurrentIndex, 0);
        }
        const RandomSource random = ClockSeededRandom();
        QCOMPARE(random(0), 0);
        QCOMPARE(random(1), 0);
        for (int i = 0; i < 100; ++i) {
            const int r = random(3);
            QVERIFY(r >= 0 && r < 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestPhotos)
#include "tst_photos.moc"
