#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "core/Shell.h"
#include "core/WebSites.h"
#include "frame/PhotoFormUnit.h"
#include "i18n/TranslationsUnit.h"
#include "photos/FilesUnit.h"
#include "skins/SkinsUnit.h"
#include "support/NoCommands.h"
#include "support/TestSupport.h"
#include "ui/LinkLabel.h"
#include "ui/OptionsFormUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void WritePhoto(const QString& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(path));
}

}  // namespace

class TestOptions : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> temp;
    std::optional<ScopedEnvironment> env;
    std::optional<MessageRecorder> recorder;
    std::unique_ptr<TSkins> skins;
    std::unique_ptr<TFiles> files;
    NoCommands commands;
    std::unique_ptr<TPhotoForm> frame;
    QString photos;  // a folder with two photos
    QString empty;   // a folder without photos
    int updateChecks = 0;

    std::unique_ptr<TOptionsForm> open() {
        return std::make_unique<TOptionsForm>(*frame, *skins, *files, [this] { ++updateChecks; });
    }
    static int LargerSide(const TSkin* skin) { return std::max(skin->Width, skin->Height); }

private slots:
    void init() {
        temp.emplace();
        env.emplace();
        recorder.emplace();
        const QString root = temp->path() + "/";
        env->set("XDG_CONFIG_HOME", root + "config");
        ShippedDataFolder = QStringLiteral(TQ_DIST_DIR "/");
        SkinsFolder = root + "Skins/";
        LocalesFolder = root + "Locales/";
        TempFolder = root + "TQTemp-test/";
        SettingsFile = root + "Tallowquince.TQSettings";
        QDir().mkpath(SkinsFolder);
        QDir().mkpath(LocalesFolder);
        QDir().mkpath(TempFolder);
        for (const QString& name : QDir(TQ_DIST_DIR "/Skins").entryList(QDir::Files)) {
            QVERIFY(QFile::copy(TQ_DIST_DIR "/Skins/" + name, SkinsFolder + name));
        }
        photos = root + "photos/";
        empty = root + "empty/";
        QDir().mkpath(photos);
        QDir().mkpath(empty);
        WritePhoto(photos + "a.jpg", QSize(60, 40));
        WritePhoto(photos + "b.jpg", QSize(40, 60));
        Settings = TSettings{};
        Settings.autoupdate = false;
        Settings.file = TFiles::SampleFile();
        Settings.folder = photos;
        updateChecks = 0;
        skins = std::make_unique<TSkins>();
        files = std::make_unique<TFiles>();
        frame = std::make_unique<TPhotoForm>(*skins, *files, commands, MenuImages{});
        frame->SetSkinByName(u"Walnut"_s);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    }
    void cleanup() {
        frame.reset();
        files.reset();
        skins.reset();
        recorder.reset();
        SelectLocale(DefaultLocaleName);
        Settings = TSettings{};
        env.reset();
        temp.reset();
    }

    void controlsAsSpecified() {
        auto form = open();
        QCOMPARE(form->windowTitle(), u"Tallowquince - Options"_s);
        QVERIFY(!form->parent());
        QVERIFY(form->bOk->isDefault());
        QCOMPARE(form->bOk->text(), u"OK"_s);
        QCOMPARE(form->bCancel->text(), u"Cancel"_s);
        QCOMPARE(form->cbLanguage->maxVisibleItems(), 14);
        QCOMPARE(form->cbSkin->maxVisibleItems(), 12);
        QCOMPARE(form->cbLanguage->currentText(), DefaultLocaleName);
        QCOMPARE(form->cbSkin->count(), 3);
        QCOMPARE(form->cbSkin->currentText(), u"Walnut"_s);
        const struct {
            QSlider* bar;
            int minimum, maximum, page;
        } bars[] = {{form->tbZoom, 0, 60, 5},
                    {form->tbDx, -100, 100, 10},
                    {form->tbDy, -100, 100, 10},
                    {form->tbTransp, 15, 255, 20},
                    {form->tbTranspHover, 15, 255, 20}};
        for (const auto& b : bars) {
            QCOMPARE(b.bar->minimum(), b.minimum);
            QCOMPARE(b.bar->maximum(), b.maximum);
            QCOMPARE(b.bar->pageStep(), b.page);
            QCOMPARE(b.bar->tickPosition(), QSlider::NoTicks);
        }
        QCOMPARE(form->sInterval->minimum(), 1);
        QCOMPARE(form->sInterval->maximum(), 60);
        QVERIFY(form->eFile->isReadOnly());
        QVERIFY(form->eFolder->isReadOnly());
        const struct {
            QWidget* widget;
            int id;
            QString text;
        } captions[] = {{form->GroupBox1, 101, {}},
                        {form->Label4, 103, u"Visit our translation page here."_s},
                        {form->cbFile, 111, u"Single File:"_s},
                        {form->TntLabel6, 113, u"File Name"_s},
                        {form->TntLabel5, 109, u"Y Offset"_s},
                        {form->lIterval, 120, u"Photo Change Interval (minutes)"_s},
                        {form->cbAutoUpdate, 150, u"Check For Updates Automatically"_s},
                        {form->cbClickThrough, 304, u"Click Through"_s},
                        {form->TntLabel21, 407, u"Hover Transparency"_s},
                        {form->Label7, 412, u"Get More Skins..."_s}};
        for (const auto& c : captions) {
            QCOMPARE(c.widget->property("stringId").toInt(), c.id);
            if (!c.text.isEmpty()) {
                QCOMPARE(c.widget->property("text").toString(), c.text);
            }
        }
        QVERIFY(form->TntLabel3->alignment().testFlag(Qt::AlignRight));
        // The two offset track bars share one row.
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->tbDx->geometry().center().y(), form->tbDy->geometry().center().y());
        QVERIFY(form->tbDx->geometry().right() < form->tbDy->geometry().left());
        form->bCancel->click();
    }

    void openAndCancelChangesNothing() {
        Settings.transparency = 200;
        Settings.hovertransparency = 120;
        Settings.zoom = 12;
        Settings.optDX = -7;
        Settings.optDY = 9;
        Settings.rotate = true;
        Settings.locked = true;
        frame->scale = 0.3712345678901;
        const TSettings before = Settings;
        const TSkin* skinBefore = frame->CurrentSkin();
        auto form = open();
        QCOMPARE(form->tbTransp->value(), 200);
        QCOMPARE(form->tbZoom->value(), 12);
        QCOMPARE(form->tbDx->value(), -7);
        QVERIFY(form->cbRotate->isChecked());
        QVERIFY(form->cbLocked->isChecked());
        QCOMPARE(form->eFolder->text(), photos);
        form->bCancel->click();
        QCOMPARE(form->result(), int(QDialog::Rejected));
        QVERIFY(frame->scale == 0.3712345678901);  // exactly
        QCOMPARE(frame->GetSkinName(), u"Walnut"_s);
        QVERIFY(frame->CurrentSkin() != skinBefore);  // reloaded from its package
        QCOMPARE(Settings.transparency, before.transparency);
        QCOMPARE(Settings.hovertransparency, before.hovertransparency);
        QCOMPARE(Settings.zoom, before.zoom);
        QCOMPARE(Settings.optDX, before.optDX);
        QCOMPARE(Settings.optDY, before.optDY);
        QCOMPARE(Settings.rotate, before.rotate);
        QCOMPARE(Settings.locked, before.locked);
        QCOMPARE(Settings.file, before.file);
        QCOMPARE(Settings.folder, before.folder);
        QCOMPARE(Settings.locale, before.locale);
        QVERIFY(frame->GetStayOnTop());
        QVERIFY(recorder->messages.isEmpty());
    }

    void liveControlsPreviewAndCancelRestores() {
        auto form = open();
        form->tbTransp->setValue(100);
        QCOMPARE(int(Settings.transparency), 100);
        QCOMPARE(frame->PresentedAlpha(), 100);
        form->tbTranspHover->setValue(55);
        QCOMPARE(int(Settings.hovertransparency), 55);
        const QSize size = frame->size();
        form->tbZoom->setValue(30);
        QCOMPARE(int(Settings.zoom), 30);
        form->tbDx->setValue(40);
        form->tbDy->setValue(-40);
        QCOMPARE(Settings.optDX, 40);
        QCOMPARE(Settings.optDY, -40);
        form->cbRotate->click();
        QVERIFY(Settings.rotate);
        form->cbStayOnTop->click();
        QVERIFY(!frame->GetStayOnTop());
        form->bCancel->click();
        QCOMPARE(int(Settings.transparency), 255);
        QCOMPARE(int(Settings.hovertransparency), 255);
        QCOMPARE(int(Settings.zoom), 0);
        QCOMPARE(Settings.optDX, 0);
        QCOMPARE(Settings.optDY, 0);
        QVERIFY(!Settings.rotate);
        QVERIFY(frame->GetStayOnTop());
        QCOMPARE(frame->PresentedAlpha(), 255);
        QCOMPARE(frame->size(), size);
    }

    void skinChangeKeepsTheFrameSize() {
        frame->RefreshFrame(0);
        const double scale = frame->scale;
        const int m = LargerSide(frame->CurrentSkin());
        const QSize size = frame->size();
        auto form = open();
        form->cbSkin->setCurrentText(u"Gilded Oval"_s);
        QCOMPARE(frame->GetSkinName(), u"Gilded Oval"_s);
        const int n = LargerSide(frame->CurrentSkin());
        QVERIFY(m != n);
        QCOMPARE(frame->scale, m * scale / n);
        QVERIFY(qAbs(frame->size().width() - size.width()) <= 1);
        form->bCancel->click();
        QCOMPARE(frame->GetSkinName(), u"Walnut"_s);
        QCOMPARE(frame->scale, scale);
        QCOMPARE(frame->size(), size);
    }

    void unlistedLocaleStillGetsTexts() {
        Settings.locale = u"Gone.TQLocale"_s;
        auto form = open();
        QCOMPARE(form->cbLanguage->currentIndex(), -1);
        QCOMPARE(form->windowTitle(), u"Tallowquince - Options"_s);
        QCOMPARE(form->bCancel->text(), u"Cancel"_s);
        QCOMPARE(form->cbFile->text(), u"Single File:"_s);
        form->bCancel->click();
        QCOMPARE(Settings.locale, u"Gone.TQLocale"_s);
    }

    void skinThatFailsToLoadOnCancelKeepsTheCurrent() {
        auto form = open();
        form->cbSkin->setCurrentText(u"Gilded Oval"_s);
        const double scale = frame->scale;
        QVERIFY(QFile::remove(SkinsFolder + "Walnut.TQSkin"));
        form->bCancel->click();
        QCOMPARE(frame->GetSkinName(), u"Gilded Oval"_s);
        QCOMPARE(frame->scale, scale);
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages[0].kind, MessageKind::Error);
    }

    void rotateStepsThePhoto() {
        WritePhoto(photos + "c.jpg", QSize(50, 50));
        Settings.modefile = false;
        Settings.random = false;
        Settings.skip = false;
        files->Rebuild();
        QCOMPARE(files->OrderedList.size(), size_t(3));
        frame->RefreshFrame(0);
        const int index = files->CurrentIndex;
        auto form = open();
        form->cbRotate->click();
        QVERIFY(Settings.rotate);
        QCOMPARE(files->CurrentIndex, (index + 1) % 3);
        form->cbRotate->click();
        QVERIFY(!Settings.rotate);
        QCOMPARE(files->CurrentIndex, index);
        form->bCancel->click();
    }

    void skinChangeKeptOnOk() {
        auto form = open();
        form->cbSkin->setCurrentText(u"Silver Portrait"_s);
        form->bOk->click();
        QCOMPARE(frame->GetSkinName(), u"Silver Portrait"_s);
    }

    void skinThatFailsToLoadKeepsThePrevious() {
        const double scale = frame->scale;
        auto form = open();
        QVERIFY(QFile::remove(SkinsFolder + "GildedOval.TQSkin"));
        form->cbSkin->setCurrentText(u"Gilded Oval"_s);
        QCOMPARE(frame->GetSkinName(), u"Walnut"_s);
        QCOMPARE(frame->scale, scale);
        QCOMPARE(form->cbSkin->currentText(), u"Walnut"_s);
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages[0].kind, MessageKind::Error);
        QVERIFY(!recorder->messages[0].text.isEmpty());
        QVERIFY(!frame->PresentedCanvas().isNull());
        form->bCancel->click();
        QCOMPARE(frame->GetSkinName(), u"Walnut"_s);
    }

    void rebuildOnOk_data() {
        QTest::addColumn<bool>("modefile");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("rebuilds");
        QTest::newRow("single file to folder rebuilds") << true << u"folder mode"_s << true;
        QTest::newRow("random alone does not rebuild") << false << u"random"_s << false;
        QTest::newRow("skip alone does not rebuild") << false << u"skip"_s << false;
        QTest::newRow("nothing changed does not rebuild") << false << QString() << false;
        QTest::newRow("subfolders rebuild") << false << u"subfolders"_s << true;
        QTest::newRow("folder to single file does not rebuild")
            << false << u"single mode"_s << false;
    }
    void rebuildOnOk() {
        QFETCH(bool, modefile);
        QFETCH(QString, change);
        QFETCH(bool, rebuilds);
        Settings.modefile = modefile;
        files->Rebuild();
        QCOMPARE(files->OrderedList.size(), size_t(2));
        // A rebuild would find the third photo.
        WritePhoto(photos + "c.jpg", QSize(50, 50));
        auto form = open();
        if (change == u"folder mode") {
            form->cbFolder->click();
        } else if (change == u"single mode") {
            form->cbFile->click();
        } else if (change == u"random") {
            form->cbRandom->click();
        } else if (change == u"skip") {
            form->cbSkip->click();
        } else if (change == u"subfolders") {
            form->cbSubFolders->click();
        }
        form->bOk->click();
        QCOMPARE(files->OrderedList.size(), size_t(rebuilds ? 3 : 2));
        QCOMPARE(Settings.random, change == u"random" ? false : true);
        QCOMPARE(Settings.skip, change == u"skip" ? false : true);
        QCOMPARE(Settings.modefile, modefile ? change != u"folder mode" : change == u"single mode");
        QVERIFY(recorder->messages.isEmpty());
    }

    void changedFolderInSingleFileModeRebuilds_data() {
        QTest::addColumn<bool>("withPhotos");
        QTest::newRow("folder with photos") << true;
        QTest::newRow("folder without photos shows the message") << false;
    }
    void changedFolderInSingleFileModeRebuilds() {
        QFETCH(bool, withPhotos);
        const QString chosen = withPhotos ? photos : empty;
        Settings.folder = TempFolder;
        auto form = open();
        QString initial;
        form->ChooseFolder = [&](QWidget*, const QString& start) {
            initial = start;
            return chosen.chopped(1);  // the chooser answers without the separator
        };
        form->bFolderClick();
        QCOMPARE(initial, TempFolder);
        QCOMPARE(form->eFolder->text(), chosen);
        QCOMPARE(Settings.folder, TempFolder);  // only on OK
        form->bOk->click();
        QVERIFY(Settings.modefile);
        QCOMPARE(Settings.folder, chosen);
        QCOMPARE(files->OrderedList.size(), size_t(withPhotos ? 2 : 0));
        if (withPhotos) {
            QVERIFY(recorder->messages.isEmpty());
        } else {
            QCOMPARE(recorder->messages.size(), 1);
            QCOMPARE(recorder->messages[0].text, GetText(200));
        }
    }

    void folderChooserCancelledChangesNothing() {
        auto form = open();
        form->ChooseFolder = [](QWidget*, const QString&) { return QString(); };
        form->bFolderClick();
        QCOMPARE(form->eFolder->text(), photos);
        form->bCancel->click();
        QCOMPARE(Settings.folder, photos);
    }

    void fileChooserSetsTheFileAtOnce() {
        const QString chosen = photos + "b.jpg";
        auto form = open();
        QString initial;
        form->ChooseFile = [&](QWidget*, const QString& start) {
            initial = start;
            return chosen;
        };
        QTest::mouseClick(form->bFile, Qt::LeftButton);
        QCOMPARE(initial, TFiles::SampleFile());
        QCOMPARE(form->eFile->text(), chosen);
        QCOMPARE(Settings.file, chosen);
        form->ChooseFile = [](QWidget*, const QString&) { return QString(); };
        form->bFileClick();
        QCOMPARE(Settings.file, chosen);
        form->bCancel->click();
        QCOMPARE(Settings.file, TFiles::SampleFile());
    }

    void fileChooserOffersThePhotoFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("offered");
        QTest::newRow("JPEG") << "a.jpg" << true;
        QTest::newRow("BMP in capitals") << "B.BMP" << true;
        QTest::newRow("HEIC from a phone") << "IMG_0001.HEIC" << true;
        QTest::newRow("heif") << "c.heif" << true;
        QTest::newRow("AVIF") << "d.avif" << true;
        QTest::newRow("WebP") << "e.webp" << true;
        QTest::newRow("PNG stays out") << "f.png" << false;
        QTest::newRow("GIF stays out") << "g.GIF" << false;
    }
    void fileChooserOffersThePhotoFiles() {
        QFETCH(QString, name);
        QFETCH(bool, offered);
        // The first filter, matched with letter case as the file dialog does on Linux.
        const QString filter = PhotoFileFilter().section(u";;"_s, 0, 0);
        const QStringList patterns =
            filter.section(u'(', 1).chopped(1).split(u' ', Qt::SkipEmptyParts);
        bool matched = false;
        for (const QString& pattern : patterns) {
            matched = matched ||
                      QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                          .match(name)
                          .hasMatch();
        }
        QCOMPARE(matched, offered);
        QVERIFY(PhotoFileFilter().endsWith(u";;All Files (*)"_s));
    }

    // The settings file keeps one value a line: a chosen path with a line break is refused
    // with a message, and never reaches the settings.
    void pathsWithLineBreaksAreRefused_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("a photo file with LF") << false << "new\nline.jpg";
        QTest::newRow("a photo file with CR LF and a settings line")
            << false << "a\r\nfolder=x.jpg";
        QTest::newRow("a folder with LF") << true << "new\nline";
        QTest::newRow("a folder with a lone CR") << true << "carriage\rreturn";
    }
    void pathsWithLineBreaksAreRefused() {
        QFETCH(bool, folder);
        QFETCH(QString, name);
        const QString chosen = photos + name;
        if (folder) {
            QVERIFY(QDir().mkpath(chosen));
        } else {
            WritePhoto(chosen, QSize(40, 60));
        }
        auto form = open();
        const auto choose = [&](QWidget*, const QString&) { return chosen; };
        form->ChooseFile = choose;
        form->ChooseFolder = choose;
        folder ? form->bFolderClick() : form->bFileClick();
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages[0].kind, MessageKind::Error);
        QVERIFY2(recorder->messages[0].text.startsWith(
                     "The path contains a line break, which the settings file cannot hold."),
                 qPrintable(recorder->messages[0].text));
        QCOMPARE(form->eFile->text(), TFiles::SampleFile());
        QCOMPARE(form->eFolder->text(), photos);
        form->bOk->click();
        QCOMPARE(Settings.file, TFiles::SampleFile());
        QCOMPARE(Settings.folder, photos);
    }

    void clickThroughAnsweredNoUnchecks() {
        auto form = open();
        recorder->answer({MessageAnswer::No});
        form->cbClickThrough->click();
        QVERIFY(!form->cbClickThrough->isChecked());
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages[0].kind, MessageKind::Confirmation);
        QCOMPARE(recorder->messages[0].text, GetText(399));
        form->bOk->click();
        QVERIFY(!Settings.clickthrough);
    }

    void clickThroughWithoutATraySaysWhyAndUnchecks() {
        commands.tray = false;
        auto form = open();
        form->cbClickThrough->click();
        commands.tray = true;
        QVERIFY(!form->cbClickThrough->isChecked());
        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages[0].kind, MessageKind::Information);
        QCOMPARE(recorder->messages[0].text, GetText(398));
        form->bOk->click();
        QVERIFY(!Settings.clickthrough);
    }

    void clickThroughYesThenCancelKeepsTheOldValue_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("cancel") << false;
        QTest::newRow("ok") << true;
    }
    void clickThroughYesThenCancelKeepsTheOldValue() {
        QFETCH(bool, ok);
        auto form = open();
        recorder->answer({MessageAnswer::Yes});
        form->cbClickThrough->click();
        QVERIFY(form->cbClickThrough->isChecked());
        form->cbLocked->click();
        QVERIFY(!Settings.clickthrough);  // only on OK
        (ok ? form->bOk : form->bCancel)->click();
        QCOMPARE(Settings.clickthrough, ok);
        QCOMPARE(Settings.locked, ok);
        // Unchecking asks nothing.
        recorder->messages.clear();
        auto again = open();
        QCOMPARE(again->cbClickThrough->isChecked(), ok);
        QVERIFY(recorder->messages.isEmpty());
        if (ok) {
            again->cbClickThrough->click();
            QVERIFY(!again->cbClickThrough->isChecked());
            QVERIFY(recorder->messages.isEmpty());
        }
        again->bCancel->click();
        QCOMPARE(Settings.clickthrough, ok);
    }

    void automaticUpdateSwitchedOnStartsACheck_data() {
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<int>("checks");
        QTest::newRow("switched on: one check") << false << true << 1;
        QTest::newRow("already on: none") << true << true << 0;
        QTest::newRow("switched off: none") << true << false << 0;
        QTest::newRow("left off: none") << false << false << 0;
    }
    void automaticUpdateSwitchedOnStartsACheck() {
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(int, checks);
        Settings.autoupdate = before;
        auto form = open();
        form->cbAutoUpdate->setChecked(after);
        form->bOk->click();
        QCOMPARE(Settings.autoupdate, after);
        QCOMPARE(updateChecks, checks);
    }

    void automaticUpdateIgnoredOnCancel() {
        auto form = open();
        form->cbAutoUpdate->setChecked(true);
        form->bCancel->click();
        QVERIFY(!Settings.autoupdate);
        QCOMPARE(updateChecks, 0);
    }

    void intervalSetsThePhotoTimer_data() {
        QTest::addColumn<bool>("folderMode");
        QTest::newRow("folder mode: the timer runs") << true;
        QTest::newRow("single file: the timer stops") << false;
    }
    void intervalSetsThePhotoTimer() {
        QFETCH(bool, folderMode);
        auto form = open();
        if (folderMode) {
            form->cbFolder->click();
        }
        form->sInterval->setValue(60);
        form->bOk->click();
        QCOMPARE(int(Settings.changeinterval), 60);
        QCOMPARE(frame->RenderTimer->interval(), 3600000);
        QCOMPARE(frame->RenderTimer->isActive(), folderMode);
    }

    void modeControlsEnabling() {
        auto form = open();
        const QList<QWidget*> single = {form->TntLabel6, form->eFile,     form->bFile,
                                        form->TntLabel3, form->tbZoom,    form->TntLabel4,
                                        form->tbDx,      form->TntLabel5, form->tbDy};
        const QList<QWidget*> folder = {form->TntLabel7,    form->eFolder,  form->bFolder,
                                        form->cbSubFolders, form->cbSkip,   form->cbRandom,
                                        form->lIterval,     form->sInterval};
        for (bool fileMode : {true, false, true}) {
            (fileMode ? static_cast<QRadioButton*>(form->cbFile) : form->cbFolder)->click();
            for (QWidget* w : single) {
                QCOMPARE(w->isEnabled(), fileMode);
            }
            for (QWidget* w : folder) {
                QCOMPARE(w->isEnabled(), !fileMode);
            }
            QVERIFY(Settings.modefile);  // the mode itself changes only on OK
        }
        form->bCancel->click();
    }

    void modeControlsFollowTheSettingOnOpening() {
        Settings.modefile = false;
        auto form = open();
        QVERIFY(form->cbFolder->isChecked());
        QVERIFY(!form->tbZoom->isEnabled());
        QVERIFY(form->sInterval->isEnabled());
        form->bCancel->click();
    }

    void languageChangeRetranslatesAtOnce() {
        WriteFile(LocalesFolder + "Testish.TQLocale",
                  "LOCALE_NAME=Testish\r\n6=Einstellungen\r\n5=Gut\r\n104=Rahmen\r\n");
        auto form = open();
        const int index = form->cbLanguage->findText(u"Testish"_s);
        QVERIFY(index >= 0);
        form->cbLanguage->setCurrentIndex(index);
        QCOMPARE(form->windowTitle(), u"Tallowquince - Einstellungen"_s);
        QCOMPARE(form->bOk->text(), u"Gut"_s);
        QCOMPARE(form->TntLabel2->text(), u"Rahmen"_s);
        QCOMPARE(form->bCancel->text(), u"Cancel"_s);  // English fall-back
        QCOMPARE(Settings.locale, u"Testish.TQLocale"_s);
        form->bCancel->click();
        QCOMPARE(Settings.locale, DefaultLocaleName);
        QCOMPARE(GetText(5), u"OK"_s);

        auto kept = open();
        kept->cbLanguage->setCurrentIndex(kept->cbLanguage->findText(u"Testish"_s));
        kept->bOk->click();
        QCOMPARE(Settings.locale, u"Testish.TQLocale"_s);
        QCOMPARE(GetText(5), u"Gut"_s);
        // Opened again, the dialog selects the current locale.
        auto again = open();
        QCOMPARE(again->cbLanguage->currentText(), u"Testish"_s);
        QCOMPARE(again->windowTitle(), u"Tallowquince - Einstellungen"_s);
        again->bCancel->click();
    }

    void escapeClosesAsCancel() {
        auto form = open();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->tbTransp->setValue(40);
        form->cbAutoUpdate->setChecked(true);
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Rejected));
        QCOMPARE(int(Settings.transparency), 255);
        QVERIFY(!Settings.autoupdate);
    }

    void enterClosesAsOk() {
        auto form = open();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->cbLocked->setChecked(true);
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QVERIFY(Settings.locked);
    }

    void autostartWrittenOnOk() {
        QVERIFY(!GetAutostart());
        auto form = open();
        QVERIFY(!form->cbAutostart->isChecked());
        form->cbAutostart->setChecked(true);
        form->bOk->click();
        QVERIFY(GetAutostart());
        QVERIFY(QFile::exists(temp->path() + "/config/autostart/Tallowquince.desktop"));
        auto again = open();
        QVERIFY(again->cbAutostart->isChecked());
        again->cbAutostart->setChecked(false);
        again->bCancel->click();
        QVERIFY(GetAutostart());  // Cancel writes nothing
        auto off = open();
        off->cbAutostart->setChecked(false);
        off->bOk->click();
        QVERIFY(!GetAutostart());
    }

    void linksOpenTheDownloadPages() {
        QStringList opened;
        const UrlOpener previous = SetUrlOpener([&](const QString& url) { opened << url; });
        auto form = open();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTest::mouseClick(form->Label7, Qt::LeftButton);
        QTest::mouseClick(form->Label4, Qt::LeftButton);
        SetUrlOpener(previous);
        QCOMPARE(
            opened,
            QStringList({ProductSite() + u"/tallowquince/index.php?page=download-skins"_s,
                         ProductSite() + u"/tallowquince/index.php?page=download-translations"_s}));
        form->bCancel->click();
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
