#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameDrop.h"
#include "frame/PhotoFormUnit.h"
#include "i18n/TranslationsUnit.h"
#include "photos/FilesUnit.h"
#include "skins/SkinPackage.h"
#include "skins/SkinTestSupport.h"
#include "skins/SkinsUnit.h"
#include "support/ImageSupport.h"
#include "support/NoCommands.h"
#include "support/TestSupport.h"

#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DropKind)

namespace {

// A skin package of the given size with one frame layer.
void WriteSkinPackage(const QString& path, const QString& name, QSize size) {
    const QByteArray xml = Description(
        u"<skinInfo><name>%1</name></skinInfo>\n"
        u"<size width=\"%2\" height=\"%3\"/>\n"
        u"<area x=\"20\" y=\"20\" width=\"%4\" height=\"%5\"/>\n"
        u"<layers><layer file=\"frame.png\"/></layers>"_s.arg(name)
            .arg(size.width())
            .arg(size.height())
            .arg(size.width() - 40)
            .arg(size.height() - 40));
    WritePackage(path,
                 {{u"skin.xml"_s, xml},
                  {u"frame.png"_s, EncodeImage(SolidImage(size, QColor(120, 80, 40)), "PNG")}});
}

QList<QUrl> Urls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls << (path.contains(u"://") ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    return urls;
}

}  // namespace

class TestDrop : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> temp;
    std::unique_ptr<TSkins> skins;
    std::unique_ptr<TFiles> files;
    NoCommands commands;
    std::unique_ptr<TPhotoForm> form;
    QString savedSkins, savedLocales, savedTemp, savedShipped, savedSettings;

    QString path(const QString& name) const { return temp->path() + u'/' + name; }

    // What the frame does with a drag over it: whether the pointer offers the drop.
    bool dragEnter(const QList<QUrl>& urls,
                   Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent event(QPoint(150, 150), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &event);
        return event.isAccepted() && event.dropAction() == Qt::CopyAction;
    }
    // The drop that ends the drag: whether the frame takes it. The toolkit hands it to the
    // widget that took the drag's enter. What a taken drop opens follows in the event loop.
    bool releaseDrop(const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDropEvent event(QPointF(150, 150), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(form.get(), &event);
        const bool accepted = event.isAccepted() && event.dropAction() == Qt::CopyAction;
        QTest::qWait(50);
        return accepted;
    }
    bool drop(const QList<QUrl>& urls) { return dragEnter(urls) && releaseDrop(urls); }

private slots:
    void init() {
        temp.emplace();
        savedSkins = SkinsFolder;
        savedLocales = LocalesFolder;
        savedTemp = TempFolder;
        savedShipped = ShippedDataFolder;
        savedSettings = SettingsFile;
        SkinsFolder = path(u"Skins/"_s);
        LocalesFolder = path(u"Locales/"_s);
        TempFolder = path(u"TQTemp/"_s);
        ShippedDataFolder = QStringLiteral(TQ_DIST_DIR "/");
        SettingsFile = path(u"Tallowquince.TQSettings"_s);
        for (const QString& folder : {SkinsFolder, LocalesFolder, TempFolder}) {
            QDir().mkpath(folder);
        }
        QFile::copy(QStringLiteral(TQ_DIST_DIR "/Skins/Walnut.TQSkin"),
                    SkinsFolder + "Walnut.TQSkin");
        Settings = TSettings{};
        Settings.file = TFiles::SampleFile();
        Settings.folder = ShippedDataFolder;
        SelectLocale(DefaultLocaleName);
        skins = std::make_unique<TSkins>();
        files = std::make_unique<TFiles>();
        form = std::make_unique<TPhotoForm>(*skins, *files, commands, MenuImages{});
        form->SetSkinByName(u"Walnut"_s);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        SelectLocale(DefaultLocaleName);
        Settings = TSettings{};
        SkinsFolder = savedSkins;
        LocalesFolder = savedLocales;
        TempFolder = savedTemp;
        ShippedDataFolder = savedShipped;
        SettingsFile = savedSettings;
        temp.reset();
    }

    void whatADropMeans_data() {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<DropKind>("kind");
        QTest::newRow("a photo") << QStringList{u"photo.jpg"_s} << DropKind::Photo;
        QTest::newRow("a photo, extension in capitals")
            << QStringList{u"HOLIDAY.JPEG"_s} << DropKind::Photo;
        QTest::newRow("a bitmap") << QStringList{u"old.bmp"_s} << DropKind::Photo;
        QTest::newRow("a folder") << QStringList{u"photos"_s} << DropKind::Folder;
        QTest::newRow("a folder named like a package")
            << QStringList{u"odd.TQSkin"_s} << DropKind::Folder;
        QTest::newRow("a skin package") << QStringList{u"Oak.TQSkin"_s} << DropKind::Skin;
        QTest::newRow("a skin package in small letters")
            << QStringList{u"oak.tqskin"_s} << DropKind::Skin;
        QTest::newRow("a locale file") << QStringList{u"Deutsch.TQLocale"_s} << DropKind::Locale;
        QTest::newRow("a text file") << QStringList{u"notes.txt"_s} << DropKind::None;
        QTest::newRow("a PNG, which the photo folder does not show either")
            << QStringList{u"drawing.png"_s} << DropKind::None;
        QTest::newRow("a file without extension") << QStringList{u"README"_s} << DropKind::None;
        QTest::newRow("a file that is gone") << QStringList{u"gone.jpg"_s} << DropKind::None;
        QTest::newRow("two photos")
            << QStringList{u"photo.jpg"_s, u"HOLIDAY.JPEG"_s} << DropKind::None;
        QTest::newRow("a web address")
            << QStringList{u"https://example.org/photo.jpg"_s} << DropKind::None;
        QTest::newRow("nothing") << QStringList{} << DropKind::None;
    }
    void whatADropMeans() {
        QFETCH(QStringList, dropped);
        QFETCH(DropKind, kind);
        for (const QString& name :
             {u"photo.jpg"_s, u"HOLIDAY.JPEG"_s, u"old.bmp"_s, u"Oak.TQSkin"_s, u"oak.tqskin"_s,
              u"Deutsch.TQLocale"_s, u"notes.txt"_s, u"drawing.png"_s, u"README"_s}) {
            WriteFile(path(name), "content");
        }
        QDir().mkpath(path(u"photos"_s));
        QDir().mkpath(path(u"odd.TQSkin"_s));
        QStringList paths;
        for (const QString& name : dropped) {
            paths << (name.contains(u"://") ? name : path(name));
        }
        const DroppedItem item = ClassifyDrop(Urls(paths));
        QCOMPARE(item.kind, kind);
        QCOMPARE(item.path, kind == DropKind::None ? QString() : paths.front());
        // The frame offers the drop exactly when it means something.
        QCOMPARE(dragEnter(Urls(paths)), kind != DropKind::None);
    }

    void refusedWhileLockedOrAModalDialogIsOpenOrOnlyToMove_data() {
        QTest::addColumn<int>("state");
        QTest::newRow("locked") << 0;
        QTest::newRow("a modal dialog open") << 1;
        QTest::newRow("the source only moves") << 2;
    }
    void refusedWhileLockedOrAModalDialogIsOpenOrOnlyToMove() {
        QFETCH(int, state);
        WriteFile(path(u"photo.jpg"_s),
                  EncodeImage(SolidImage({64, 48}, QColor(30, 90, 160)), "JPG"));
        const QList<QUrl> urls = Urls({path(u"photo.jpg"_s)});
        QVERIFY(dragEnter(urls));
        QDialog dialog;
        Settings.locked = state == 0;
        if (state == 1) {
            dialog.setModal(true);
            dialog.show();
            QVERIFY(QApplication::activeModalWidget());
        }
        const Qt::DropActions actions =
            state == 2 ? Qt::DropActions(Qt::MoveAction) : Qt::CopyAction | Qt::MoveAction;
        QVERIFY(!dragEnter(urls, actions));
        if (state != 2) {
            // Dropped anyway (the state changed during the drag): nothing happens.
            QVERIFY(!releaseDrop(urls));
            QCOMPARE(Settings.file, TFiles::SampleFile());
        }
    }

    void aPhotoIsShownAlone() {
        WriteFile(path(u"photo.jpg"_s),
                  EncodeImage(SolidImage({64, 48}, QColor(30, 90, 160)), "JPG"));
        Settings.modefile = false;
        form->RenderTimer->start(60000);
        QVERIFY(drop(Urls({path(u"photo.jpg"_s)})));
        QCOMPARE(Settings.file, QDir::toNativeSeparators(path(u"photo.jpg"_s)));
        QVERIFY(Settings.modefile);
        QVERIFY(!form->RenderTimer->isActive());
        // The photo area shows its blue.
        const QImage& canvas = form->PresentedCanvas();
        const QRgb middle = canvas.pixel(canvas.width() / 2, canvas.height() / 2);
        QVERIFY2(qBlue(middle) > 140 && qRed(middle) < 60, qPrintable(QString::number(middle, 16)));
    }

    void aFolderBecomesThePhotoSource() {
        WriteFile(path(u"photos/a.jpg"_s),
                  EncodeImage(SolidImage({64, 48}, QColor(30, 90, 160)), "JPG"));
        WriteFile(path(u"photos/b.jpg"_s),
                  EncodeImage(SolidImage({48, 64}, QColor(30, 90, 160)), "JPG"));
        Settings.changeinterval = 5;
        QVERIFY(drop(Urls({path(u"photos"_s)})));
        QCOMPARE(Settings.folder, QDir::toNativeSeparators(path(u"photos/"_s)));
        QVERIFY(!Settings.modefile);
        QVERIFY(form->RenderTimer->isActive());
        QCOMPARE(form->RenderTimer->interval(), 5 * 60000);
        QCOMPARE(files->OrderedList.size(), size_t(2));
    }

    // A folder without photos says what the options dialog's OK says for it.
    void aFolderWithoutPhotosGivesTheMessageOfTheOptions() {
        QDir().mkpath(path(u"empty"_s));
        MessageRecorder expected;
        Settings.folder = path(u"empty/"_s);
        TFiles().Rebuild();
        QCOMPARE(expected.messages.size(), 1);
        Settings.folder = ShippedDataFolder;

        MessageRecorder recorder;
        QVERIFY(drop(Urls({path(u"empty"_s)})));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].text, expected.messages[0].text);
        QCOMPARE(recorder.messages[0].kind, expected.messages[0].kind);
    }

    void aPathWithALineBreakIsRefusedWithTheMessageOfTheOptions() {
        const QString odd = path(u"line\nbreak.jpg"_s);
        WriteFile(odd, EncodeImage(SolidImage({64, 48}, QColor(30, 90, 160)), "JPG"));
        MessageRecorder recorder;
        QVERIFY(drop(Urls({odd})));
        QCOMPARE(recorder.messages.size(), 1);
        QVERIFY(recorder.messages[0].text.startsWith(u"The path contains a line break"_s));
        QCOMPARE(Settings.file, TFiles::SampleFile());
    }

    // The package is installed as the command line installs it, then selected with the
    // options dialog's size compensation: the frame keeps its size on the screen.
    void aSkinPackageIsInstalledAndSelected() {
        // Walnut is 434 x 344; this one's larger side is twice as long.
        const QString package = path(u"incoming/Big Oak.tqskin"_s);
        QDir().mkpath(path(u"incoming"_s));
        WriteSkinPackage(package, u"Big Oak"_s, {868, 600});
        form->scale = 0.5;
        MessageRecorder recorder;
        QVERIFY(drop(Urls({package})));
        QCOMPARE(recorder.messages.size(), 0);
        QCOMPARE(ReadFile(SkinsFolder + u"Big Oak.tqskin"_s), ReadFile(package));
        QCOMPARE(form->GetSkinName(), u"Big Oak"_s);
        QCOMPARE(form->scale, 0.25);
        QCOMPARE(form->size(), QSize(308, 308));
        QCOMPARE(skins->SkinList().size(), size_t(2));
    }

    void aDamagedSkinPackageIsNeitherInstalledNorSelected() {
        const QString package = path(u"Broken.TQSkin"_s);
        WriteFile(package, "not a ZIP archive");
        const QString expected = ErrorText([&] { LoadSkin(package); });
        MessageRecorder recorder;
        QVERIFY(drop(Urls({package})));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text, expected);
        QVERIFY(!QFile::exists(SkinsFolder + u"Broken.TQSkin"_s));
        QCOMPARE(form->GetSkinName(), u"Walnut"_s);
        QCOMPARE(form->scale, 0.5);
    }

    // An installation that fails reports what the command line's installation reports.
    void aFailedInstallationGivesTheMessageOfTheCommandLine() {
        const QString package = path(u"Oak.TQSkin"_s);
        WriteSkinPackage(package, u"Oak"_s, {434, 344});
        QDir().mkpath(SkinsFolder + u"Oak.TQSkin/inside"_s);  // in the copy's way
        MessageRecorder expected;
        QVERIFY(InstallPackage({u"tallowquince"_s, package}));
        QCOMPARE(expected.messages.size(), 1);
        QCOMPARE(expected.messages[0].kind, MessageKind::Error);

        MessageRecorder recorder;
        QVERIFY(drop(Urls({package})));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(recorder.messages[0].text, expected.messages[0].text);
        QCOMPARE(form->GetSkinName(), u"Walnut"_s);
    }

    void aLocaleFileIsInstalledAndSelected() {
        const QString file = path(u"incoming/Deutsch.TQLocale"_s);
        WriteFile(file, "LOCALE_NAME=Deutsch\r\n4=Tallowquince beenden\r\n");
        MessageRecorder recorder;
        QVERIFY(drop(Urls({file})));
        QCOMPARE(recorder.messages.size(), 0);
        QCOMPARE(ReadFile(LocalesFolder + u"Deutsch.TQLocale"_s), ReadFile(file));
        QCOMPARE(Settings.locale, u"Deutsch.TQLocale"_s);
        QCOMPARE(GetText(4), u"Tallowquince beenden"_s);
    }
};

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
