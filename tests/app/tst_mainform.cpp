#include "app/MainFormUnit.h"
#include "app/TApplication.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "i18n/TranslationsUnit.h"
#include "photos/FilesUnit.h"
#include "platform/Platform.h"
#include "skins/SkinsUnit.h"
#include "support/TestSupport.h"
#include "ui/OptionsFormUnit.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

class TestMainForm : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> temp;
    std::optional<ScopedEnvironment> env;

    void useBundledSkins() {
        for (const QString& name : QDir(TQ_DIST_DIR "/Skins").entryList(QDir::Files)) {
            QFile::copy(TQ_DIST_DIR "/Skins/" + name, SkinsFolder + name);
        }
    }
    void writeSettings(const QByteArray& text) { WriteFile(SettingsFile, text); }

private slots:
    void init() {
        temp.emplace();
        env.emplace();
        // Each run holds its own instance lock.
        env->set("XDG_RUNTIME_DIR", temp->path());
        const QString root = temp->path() + "/";
        ShippedDataFolder = QStringLiteral(TQ_DIST_DIR "/");
        SkinsFolder = root + "Skins/";
        LocalesFolder = root + "Locales/";
        TempFolder = root + "TQTemp-test/";
        SettingsFile = root + "Tallowquince.TQSettings";
        QDir().mkpath(SkinsFolder);
        QDir().mkpath(TempFolder);
        Settings = TSettings{};
        Settings.folder = ShippedDataFolder;
    }
    void cleanup() {
        Settings = TSettings{};
        env.reset();
        temp.reset();
    }

    void startsInSingleFileMode() {
        useBundledSkins();
        TMainForm main;
        QVERIFY(main.TrayIcon->isVisible());
        QCOMPARE(main.TrayIcon->toolTip(), u"Tallowquince"_s);
        QVERIFY(!main.TrayIcon->contextMenu());
        main.CreateTimerTimer();
        TPhotoForm* frame = main.PhotoForm();
        QVERIFY(frame && frame->isVisible());
        QVERIFY(frame->SettingsLoaded);
        QVERIFY(main.TrayTimer->isActive());
        QVERIFY(main.UpdateTimer->isActive());
        QCOMPARE(main.UpdateTimer->interval(), 2000);
        QVERIFY(!frame->RenderTimer->isActive());
        QCOMPARE(frame->RenderTimer->interval(), 60000);
        QVERIFY(main.Files()->OrderedList.empty());
        QCOMPARE(frame->GetSkinName(), main.Skins().SkinList().front().name);
        QCOMPARE(Settings.file, ShippedDataFolder + "sample.jpg");
        QTRY_VERIFY(main.TrayIcon->contextMenu() == main.MainPopupMenu);
        main.MainPopupMenuPopup();
        QVERIFY(!main.nPrev->isEnabled());
        QVERIFY(!main.nNext->isEnabled());
        QVERIFY(main.nSOT->isChecked());
        QCOMPARE(main.Noptions->text(), u"Tallowquince Options..."_s);
        QCOMPARE(main.MainPopupMenu->defaultAction(), main.Noptions);
        QCOMPARE(main.nFixPos->text(), u"Fix Position"_s);
    }

    void startsInFolderMode() {
        useBundledSkins();
        QDir().mkpath(temp->path() + "/photos");
        QFile::copy(ShippedDataFolder + "sample.jpg", temp->path() + "/photos/a.jpg");
        QFile::copy(ShippedDataFolder + "sample.jpg", temp->path() + "/photos/b.JPG");
        // Every number present, so that the load reaches the photo source and the position.
        writeSettings(
            "skin=Walnut\r\nlocale=English (American) DEFAULT\r\ntransparency=255\r\n"
            "hovertransparency=255\r\nscale=5000000\r\nangle=0\r\nzoom=0\r\noptDX=0\r\n"
            "optDY=0\r\nmodefile=FALSE\r\nx=10\r\ny=20\r\nfolder=" +
            temp->path().toUtf8() + "/photos\r\n");
        TMainForm main;
        main.CreateTimerTimer();
        QCOMPARE(main.PhotoForm()->GetSkinName(), u"Walnut"_s);
        QCOMPARE(main.PhotoForm()->pos(), QPoint(10, 20));
        QVERIFY(main.PhotoForm()->RenderTimer->isActive());
        QCOMPARE(int(main.Files()->OrderedList.size()), 2);
        main.MainPopupMenuPopup();
        QVERIFY(main.nPrev->isEnabled() && main.nNext->isEnabled());

        // Next restarts the photo timer: the following change comes a full period later.
        main.PhotoForm()->RenderTimer->setInterval(400);
        main.PhotoForm()->RenderTimer->start();
        QTest::qWait(250);
        main.nNextClick();
        QVERIFY(main.PhotoForm()->RenderTimer->isActive());
        QVERIFY(main.PhotoForm()->RenderTimer->remainingTime() > 300);
    }

    void aSavedClickThroughIsNotAppliedWithoutATray() {
        useBundledSkins();
        writeSettings(
            "skin=Walnut\r\nlocale=English (American) DEFAULT\r\ntransparency=255\r\n"
            "hovertransparency=255\r\nscale=5000000\r\nangle=0\r\nzoom=0\r\n"
            "optDX=0\r\noptDY=0\r\nclickthrough=TRUE\r\nx=10\r\ny=20\r\n");
        TMainForm main;
        main.CreateTimerTimer();
        QVERIFY(!main.TrayAvailable());
        QVERIFY(!Settings.clickthrough);
        QVERIFY(!main.PhotoForm()->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        QCOMPARE(main.PhotoForm()->pos(), QPoint(10, 20));  // the rest of the file was read
    }

    void refusesWithoutSkins() {
        MessageRecorder recorder;
        TMainForm main;
        QSignalSpy closed(&main, &TMainForm::closed);
        main.CreateTimerTimer();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Error);
        QCOMPARE(
            recorder.messages[0].text,
            u"No Skins available.\r\nPlease download and install Skins in order to use Tallowquince."_s);
        QVERIFY(!main.PhotoForm()->isVisible());
        QVERIFY(!main.PhotoForm()->SettingsLoaded);
        QVERIFY(!main.TrayTimer->isActive());
    }

    void refusesASecondCopy() {
        useBundledSkins();
        writeSettings("skin=Walnut\r\n");
        const QByteArray before = ReadFile(SettingsFile);
        QVERIFY(platform::AcquireInstanceLock(InstanceMutexName.toStdString()));
        MessageRecorder recorder;
        {
            TMainForm main;
            QSignalSpy closed(&main, &TMainForm::closed);
            main.CreateTimerTimer();
            QCOMPARE(closed.size(), 1);
            QCOMPARE(recorder.messages.size(), 1);
            QCOMPARE(recorder.messages[0].text, u"Tallowquince is already running!"_s);
            // It loaded its settings and its skin, but shows nothing and saves nothing.
            QCOMPARE(main.PhotoForm()->GetSkinName(), u"Walnut"_s);
            QVERIFY(!main.PhotoForm()->isVisible());
        }
        QCOMPARE(ReadFile(SettingsFile), before);
        QVERIFY(!QFileInfo::exists(TempFolder));
    }

    void shutdownSavesAndRemovesTheTemporaryFolder() {
        useBundledSkins();
        {
            TMainForm main;
            main.CreateTimerTimer();
            main.PhotoForm()->move(150, 160);
            QVERIFY(!QDir(TempFolder).isEmpty());  // the skin's files
        }
        const QByteArray text = ReadFile(SettingsFile);
        QVERIFY2(text.contains("\r\nx=150\r\ny=160\r\n"), text.constData());
        QVERIFY(!QFileInfo::exists(TempFolder));
    }

    void commands() {
        useBundledSkins();
        TMainForm main;
        main.CreateTimerTimer();
        TPhotoForm* frame = main.PhotoForm();
        Settings.locked = true;
        main.nFixPosClick();
        QCOMPARE(frame->pos(), QPoint(100, 100));
        main.nSOTClick();
        QVERIFY(!frame->GetStayOnTop());
        main.MainPopupMenuPopup();
        QVERIFY(!main.nSOT->isChecked());
        main.nSOTClick();
        QVERIFY(frame->GetStayOnTop());
        main.nLockedClick();
        QVERIFY(!Settings.locked);
        // The headless platform has no tray: click-through says why it is not available.
        QVERIFY(!main.TrayAvailable());
        MessageRecorder recorder;
        main.nClickThroughClick();
        QVERIFY(!Settings.clickthrough);
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].text, GetText(398));
        QSignalSpy closed(&main, &TMainForm::closed);
        main.nClose->trigger();
        QCOMPARE(closed.size(), 1);
    }

    void aCloseRequestToTheFrameEndsTheRun() {
        useBundledSkins();
        TMainForm main;
        main.CreateTimerTimer();
        QSignalSpy closed(&main, &TMainForm::closed);
        // A request the frame accepts (not Alt+F4) keeps the frame and ends the run...
        QVERIFY(!main.PhotoForm()->close());
        QVERIFY(main.PhotoForm()->isVisible());
        QCOMPARE(closed.size(), 1);
        // ...whose end closes every window, the frame included.
        QVERIFY(main.PhotoForm()->close());
        QCOMPARE(closed.size(), 1);
    }

    void trayOffersNoMenuWhileAModalDialogIsOpen() {
        useBundledSkins();
        TMainForm main;
        main.CreateTimerTimer();
        QTRY_VERIFY(main.TrayIcon->contextMenu() == main.MainPopupMenu);
        {
            QDialog dialog;
            dialog.setModal(true);
            dialog.show();
            QTRY_VERIFY(QApplication::activeModalWidget() == &dialog);
            QCOMPARE(main.ModalCount(), 1);
            QTRY_VERIFY(main.TrayIcon->contextMenu() == nullptr);
        }
        QTRY_VERIFY_WITH_TIMEOUT(main.TrayIcon->contextMenu() == main.MainPopupMenu, 1000);
    }

    void trayActivationsThatOpenTheOptions_data() {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("iconPlaceKnown");
        QTest::addColumn<bool>("opens");
        QTest::newRow("embedded icon: double click")
            << QSystemTrayIcon::DoubleClick << true << true;
        QTest::newRow("embedded icon: single click") << QSystemTrayIcon::Trigger << true << false;
        QTest::newRow("embedded icon: right click") << QSystemTrayIcon::Context << true << false;
        QTest::newRow("status notifier: activation") << QSystemTrayIcon::Trigger << false << true;
        QTest::newRow("status notifier: middle click")
            << QSystemTrayIcon::MiddleClick << false << false;
        QTest::newRow("status notifier: menu") << QSystemTrayIcon::Context << false << false;
    }
    void trayActivationsThatOpenTheOptions() {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(bool, iconPlaceKnown);
        QFETCH(bool, opens);
        QCOMPARE(TrayActivationOpensOptions(reason, iconPlaceKnown), opens);
    }

    void optionsOpenModally_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("options command") << u"command"_s;
        QTest::newRow("tray icon double-click") << u"tray"_s;
        QTest::newRow("frame double-click") << u"frame"_s;
    }
    void optionsOpenModally() {
        QFETCH(QString, how);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        env->set("TALLOWQUINCE_SITE", u"http://127.0.0.1:%1"_s.arg(server.serverPort()));
        useBundledSkins();
        Settings.autoupdate = false;
        TMainForm main;
        main.CreateTimerTimer();
        TPhotoForm* frame = main.PhotoForm();
        const double scale = frame->scale;
        int opened = 0;
        // Cancel a first time, then confirm with automatic update switched on.
        QString title;
        bool parentless = false;
        int modalCount = 0;
        const auto answer = [&](bool ok) {
            QWidget* modal = QApplication::activeModalWidget();
            auto* form = qobject_cast<TOptionsForm*>(modal);
            if (!form) {
                if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                    dialog->reject();  // not ours: close it so the test fails instead of hanging
                }
                return;
            }
            ++opened;
            title = form->windowTitle();
            parentless = !form->parent();
            modalCount = main.ModalCount();
            form->tbTransp->setValue(99);
            form->cbAutoUpdate->setChecked(true);
            (ok ? form->bOk : form->bCancel)->click();
        };
        const auto open = [&] {
            if (how == u"command") {
                main.Noptions->trigger();
            } else if (how == u"tray") {
                main.TrayIconDblClick();
            } else {
                QTest::mouseDClick(frame, Qt::LeftButton, Qt::NoModifier, frame->rect().center());
            }
        };
        QTimer::singleShot(0, &main, [&] { answer(false); });
        open();
        QCOMPARE(opened, 1);
        QCOMPARE(title, u"Tallowquince - Options"_s);
        QVERIFY(parentless);
        QCOMPARE(modalCount, 1);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(int(Settings.transparency), 255);
        QCOMPARE(frame->scale, scale);
        QVERIFY(!server.waitForNewConnection(300));
        QTimer::singleShot(0, &main, [&] { answer(true); });
        open();
        QCOMPARE(opened, 2);
        QCOMPARE(int(Settings.transparency), 99);
        QVERIFY(Settings.autoupdate);
        QVERIFY(server.waitForNewConnection(5000));  // the controller's update check
        delete server.nextPendingConnection();
    }

    void updateTimerStartsACheckAsConfigured() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        env->set("TALLOWQUINCE_SITE", u"http://127.0.0.1:%1"_s.arg(server.serverPort()));
        TMainForm main;
        Settings.autoupdate = false;
        main.UpdateTimer->start();
        main.UpdateTimerTimer(true);  // from the timer, with automatic checks off: none
        QVERIFY(!main.UpdateTimer->isActive());
        QVERIFY(!server.waitForNewConnection(500));
        main.UpdateTimerTimer(false);  // from the options dialog: always
        QVERIFY(server.waitForNewConnection(5000));
        delete server.nextPendingConnection();
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainform.moc"
