#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameInput.h"
#include "frame/PhotoFormUnit.h"
#include "photos/FilesUnit.h"
#include "skins/SkinsUnit.h"
#include "support/TestSupport.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FrameAction)

namespace {

// Records which of the controller's commands the frame invoked.
class RecordedCommands : public FrameCommands {
public:
    QStringList calls;
    void NoptionsClick() override { calls << u"options"_s; }
    void nPrevClick() override { calls << u"previous"_s; }
    void nNextClick() override { calls << u"next"_s; }
    void nAboutClick() override { calls << u"about"_s; }
    void nCloseClick() override { calls << u"close"_s; }
    bool TrayAvailable() const override { return tray; }
    bool tray = true;
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(widget->mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void SendWheel(QWidget* widget, int delta, Qt::KeyboardModifiers modifiers) {
    const QPoint angle = modifiers.testFlag(Qt::AltModifier) ? QPoint(delta, 0) : QPoint(0, delta);
    QWheelEvent event(QPointF(10, 10), QPointF(widget->mapToGlobal(QPoint(10, 10))), QPoint(),
                      angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class TestPhotoForm : public QObject {
    Q_OBJECT

private:
    std::optional<QTemporaryDir> temp;
    std::unique_ptr<TSkins> skins;
    std::unique_ptr<TFiles> files;
    std::unique_ptr<RecordedCommands> commands;
    std::unique_ptr<TPhotoForm> form;

private slots:
    void init() {
        temp.emplace();
        SkinsFolder = QStringLiteral(TQ_DIST_DIR "/Skins/");
        ShippedDataFolder = QStringLiteral(TQ_DIST_DIR "/");
        TempFolder = temp->path() + "/";
        SettingsFile = temp->path() + "/Tallowquince.TQSettings";
        Settings = TSettings{};
        Settings.file = TFiles::SampleFile();
        Settings.folder = ShippedDataFolder;
        skins = std::make_unique<TSkins>();
        files = std::make_unique<TFiles>();
        commands = std::make_unique<RecordedCommands>();
        form = std::make_unique<TPhotoForm>(*skins, *files, *commands, MenuImages{});
        form->SetSkinByName(u"Walnut"_s);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        Settings = TSettings{};
    }

    void createdAsSpecified() {
        form = std::make_unique<TPhotoForm>(*skins, *files, *commands, MenuImages{});
        QCOMPARE(form->pos(), QPoint(200, 200));
        QCOMPARE(form->scale, 0.5);
        QCOMPARE(form->angle, 0.0);
        QVERIFY(form->GetStayOnTop());
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        QVERIFY(form->testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(form->windowTitle(), u"Tallowquince"_s);
        QVERIFY(!form->RenderTimer->isActive());
        QVERIFY(!form->isVisible());
    }

    void presentsTheCanvasKeepingTheTopLeftCorner() {
        // Walnut is 434 x 344: at 0.5 the canvas side is round(434 * 0.5 * 1.42) = 308.
        QCOMPARE(form->size(), QSize(308, 308));
        QCOMPARE(form->PresentedCanvas().size(), QSize(308, 308));
        QCOMPARE(form->RecordedSize(), QSize(462, 462));
        const QPoint corner = form->pos();
        form->ZoomStep(true, false);
        QVERIFY(form->size().width() > 308);
        QCOMPARE(form->pos(), corner);
        // The frame's middle is opaque photo, the canvas corner transparent.
        const QImage& canvas = form->PresentedCanvas();
        QCOMPARE(qAlpha(canvas.pixel(canvas.width() / 2, canvas.height() / 2)), 255);
        QCOMPARE(qAlpha(canvas.pixel(0, 0)), 0);
    }

    // The input region is the canvas's visible pixels. An empty mask would be no mask, so
    // a frame without a visible pixel would take every click.
    void invisibleFrameTakesNoClicks() {
        auto skin = std::make_unique<TSkin>();
        skin->Name = u"Bare"_s;
        skin->Width = 200;
        skin->Height = 150;
        skin->AreaX = 20;
        skin->AreaY = 15;
        skin->AreaWidth = 160;
        skin->AreaHeight = 120;
        form->SetSkin(std::move(skin));
        Settings.modefile = true;
        Settings.file = temp->path() + u"/broken.jpg"_s;
        WriteFile(Settings.file, "no photo: the area stays transparent");
        form->RefreshFrame(0);
        QVERIFY(!form->mask().isEmpty());
        QVERIFY(!form->mask().intersects(form->rect()));

        Settings.file = TFiles::SampleFile();
        form->RefreshFrame(0);
        QVERIFY(form->mask().contains(form->rect().center()));
        QVERIFY(!form->mask().contains(QPoint(0, 0)));
    }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QPoint>("moved");
        QTest::addColumn<double>("angle");  // from 10 degrees
        QTest::addColumn<int>("zoom");      // -1 smaller, 0 same, 1 larger
        QTest::addColumn<bool>("rotated");
        QTest::addColumn<QString>("command");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QTest::newRow("Right moves 5 pixels")
            << int(Qt::Key_Right) << none << QPoint(5, 0) << 10.0 << 0 << false << "";
        QTest::newRow("Ctrl+Right moves 1 pixel")
            << int(Qt::Key_Right) << ctrl << QPoint(1, 0) << 10.0 << 0 << false << "";
        QTest::newRow("Left") << int(Qt::Key_Left) << none << QPoint(-5, 0) << 10.0 << 0 << false
                              << "";
        QTest::newRow("Up") << int(Qt::Key_Up) << none << QPoint(0, -5) << 10.0 << 0 << false << "";
        QTest::newRow("Ctrl+Down")
            << int(Qt::Key_Down) << ctrl << QPoint(0, 1) << 10.0 << 0 << false << "";
        QTest::newRow("Shift+Right rotates 3.5")
            << int(Qt::Key_Right) << shift << QPoint() << 13.5 << 0 << false << "";
        QTest::newRow("Ctrl+Shift+Right rotates 0.5")
            << int(Qt::Key_Right) << (shift | ctrl) << QPoint() << 10.5 << 0 << false << "";
        QTest::newRow("Shift+Left rotates back")
            << int(Qt::Key_Left) << shift << QPoint() << 6.5 << 0 << false << "";
        QTest::newRow("Shift+Up does nothing")
            << int(Qt::Key_Up) << shift << QPoint() << 10.0 << 0 << false << "";
        QTest::newRow("= zooms in")
            << int(Qt::Key_Equal) << none << QPoint() << 10.0 << 1 << false << "";
        QTest::newRow("keypad + zooms in")
            << int(Qt::Key_Plus) << Qt::KeyboardModifiers(Qt::KeypadModifier) << QPoint() << 10.0
            << 1 << false << "";
        QTest::newRow("Shift with + rotates")
            << int(Qt::Key_Plus) << shift << QPoint() << 13.5 << 0 << false << "";
        QTest::newRow("Ctrl+Shift with + rotates finely")
            << int(Qt::Key_Plus) << (shift | ctrl) << QPoint() << 10.5 << 0 << false << "";
        QTest::newRow("- zooms out")
            << int(Qt::Key_Minus) << none << QPoint() << 10.0 << -1 << false << "";
        QTest::newRow("Shift with - rotates back")
            << int(Qt::Key_Underscore) << shift << QPoint() << 6.5 << 0 << false << "";
        QTest::newRow("0 resets the angle")
            << int(Qt::Key_0) << (ctrl | Qt::AltModifier) << QPoint() << 0.0 << 0 << false << "";
        QTest::newRow("keypad 0 does not")
            << int(Qt::Key_0) << Qt::KeyboardModifiers(Qt::KeypadModifier) << QPoint() << 10.0 << 0
            << false << "";
        QTest::newRow("the key left of 1 turns the skin")
            << int(Qt::Key_QuoteLeft) << none << QPoint() << 10.0 << 0 << true << "";
        QTest::newRow("Page Down is Next")
            << int(Qt::Key_PageDown) << none << QPoint() << 10.0 << 0 << false << "next";
        QTest::newRow("Page Up is Previous")
            << int(Qt::Key_PageUp) << ctrl << QPoint() << 10.0 << 0 << false << "previous";
        QTest::newRow("Shift+Page Down does nothing")
            << int(Qt::Key_PageDown) << shift << QPoint() << 10.0 << 0 << false << "";
        QTest::newRow("other keys do nothing")
            << int(Qt::Key_F5) << none << QPoint() << 10.0 << 0 << false << "";
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QPoint, moved);
        QFETCH(double, angle);
        QFETCH(int, zoom);
        QFETCH(bool, rotated);
        QFETCH(QString, command);
        form->angle = 10;
        const QPoint start = form->pos();
        const double scale = form->scale;
        QTest::keyClick(form.get(), Qt::Key(key), modifiers);
        QCOMPARE(form->pos() - start, moved);
        QCOMPARE(form->angle, angle);
        QCOMPARE(form->scale > scale ? 1 : form->scale < scale ? -1 : 0, zoom);
        QCOMPARE(Settings.rotate, rotated);
        QCOMPARE(commands->calls.join(u','), command);
    }

    // Native key events as X11 and Windows report them: the key's place (X key code or
    // scan code) and its symbol without modifiers (X11) or its virtual-key code (Windows).
    void keysFollowTheKeyNotTheCharacter_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<quint32>("code");    // X key code, or Windows scan code
        QTest::addColumn<quint32>("symbol");  // level-0 keysym, or virtual-key code
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<FrameAction>("action");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const auto x11 = [&](const char* name, quint32 keycode, quint32 keysym,
                             Qt::KeyboardModifiers modifiers, FrameAction action) {
            QTest::newRow(name) << false << keycode << keysym << modifiers << action;
        };
        x11("US: 0", 19, 0x30, none, FrameAction::ResetAngle);
        x11("US: Shift+9 is no command", 18, 0x39, shift, FrameAction::None);
        x11("US: the key left of 1", 49, 0x60, none, FrameAction::ToggleRotate);
        x11("German: Shift+0 types = and still resets", 19, 0x30, shift, FrameAction::ResetAngle);
        x11("German: the + key zooms", 35, 0x2b, none, FrameAction::ZoomIn);
        x11("German: Shift with + types * and rotates", 35, 0x2b, shift,
            FrameAction::RotateClockwise);
        x11("German: Shift with - rotates back", 61, 0x2d, shift, FrameAction::RotateAnticlockwise);
        x11("German: the sharp s in the place of -", 20, 0xdf, none, FrameAction::ZoomOut);
        x11("German: the dead ^ left of 1", 49, 0xfe52, none, FrameAction::ToggleRotate);
        x11("AZERTY: the 0 key types a grave a", 19, 0xe0, none, FrameAction::ResetAngle);
        x11("AZERTY: - on the 6 key", 15, 0x2d, none, FrameAction::ZoomOut);
        x11("AZERTY: ) in the place of -", 20, 0x29, none, FrameAction::ZoomOut);
        x11("AZERTY: Shift with =", 21, 0x3d, shift, FrameAction::RotateClockwise);
        x11("AZERTY: the 1 key types & and does nothing", 10, 0x26, none, FrameAction::None);
        x11("keypad +", 86, 0xffab, none, FrameAction::ZoomIn);
        x11("keypad 4 without Num Lock moves", 83, 0xff96, none, FrameAction::MoveLeft);
        x11("keypad 0 with Num Lock does nothing", 90, 0xffb0, none, FrameAction::None);
        x11("Shift+Page Down does nothing", 117, 0xff56, shift, FrameAction::None);
        x11("a letter", 38, 0x61, none, FrameAction::None);
        const auto windows = [&](const char* name, quint32 scanCode, quint32 virtualKey,
                                 Qt::KeyboardModifiers modifiers, FrameAction action) {
            QTest::newRow(name) << true << scanCode << virtualKey << modifiers << action;
        };
        windows("Windows AZERTY: the 0 key", 0x0B, 0x30, none, FrameAction::ResetAngle);
        windows("Windows German: Shift with +", 0x1B, 0xBB, shift, FrameAction::RotateClockwise);
        windows("Windows German: the key left of 1", 0x29, 0xDC, none, FrameAction::ToggleRotate);
        windows("Windows German: O umlaut is VK_OEM_3", 0x27, 0xC0, none, FrameAction::None);
        windows("Windows: keypad -", 0x4A, 0x6D, none, FrameAction::ZoomOut);
        windows("Windows: Ctrl+Left", 0x14B, 0x25, Qt::ControlModifier, FrameAction::MoveLeft);
    }
    void keysFollowTheKeyNotTheCharacter() {
        QFETCH(bool, windows);
        QFETCH(quint32, code);
        QFETCH(quint32, symbol);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(FrameAction, action);
        const FrameKey key =
            windows ? FrameKeyOfWindowsKey(symbol, code) : FrameKeyOfX11Key(code, symbol);
        QCOMPARE(ActionForKey(key, modifiers), action);
    }

    // Alt+F4 reaches the program as a close request from the window manager, stamped with
    // the key's time (0 from tools that give none) and often handled after Alt is up.
    void altTimeline_data() {
        QTest::addColumn<QList<quint32>>("changes");  // server times of Alt down, up, down...
        QTest::addColumn<qint64>("lastChangeAgoMs");
        QTest::addColumn<quint32>("requestTime");
        QTest::addColumn<bool>("held");
        QTest::newRow("stamped while Alt was held")
            << QList<quint32>{1000, 1200} << 5000ll << quint32(1100) << true;
        QTest::newRow("stamped after Alt was let go")
            << QList<quint32>{1000, 1200} << 5000ll << quint32(1300) << false;
        QTest::newRow("stamped before Alt went down")
            << QList<quint32>{1000, 1200} << 5000ll << quint32(900) << false;
        QTest::newRow("stamped while Alt is still held")
            << QList<quint32>{1000} << 5000ll << quint32(1100) << true;
        QTest::newRow("Alt held across the server clock's wrap")
            << QList<quint32>{0xFFFFFF00u, 0x50} << 5000ll << quint32(0x10) << true;
        QTest::newRow("unstamped, Alt let go a moment ago")
            << QList<quint32>{1000, 1200} << 100ll << quint32(0) << true;
        QTest::newRow("unstamped, Alt let go long ago")
            << QList<quint32>{1000, 1200} << 5000ll << quint32(0) << false;
        QTest::newRow("unstamped, Alt held now")
            << QList<quint32>{1000} << 5000ll << quint32(0) << true;
        QTest::newRow("Alt never seen") << QList<quint32>{} << 0ll << quint32(1100) << false;
    }
    void altTimeline() {
        QFETCH(QList<quint32>, changes);
        QFETCH(qint64, lastChangeAgoMs);
        QFETCH(quint32, requestTime);
        QFETCH(bool, held);
        const qint64 now = 100000;
        AltTimeline timeline;
        for (int i = 0; i < changes.size(); ++i) {
            const bool last = i + 1 == changes.size();
            timeline.Record(changes[i], i % 2 == 0, last ? now - lastChangeAgoMs : 0);
        }
        QCOMPARE(timeline.AltHeldAt(requestTime, now), held);
    }

    void aCloseRequestEndsTheProgramInOrder() {
        // The window manager's request (a pager, a tool): the frame stays until the
        // controller's orderly shutdown destroys it.
        QCloseEvent close;
        QApplication::sendEvent(form.get(), &close);
        QVERIFY(!close.isAccepted());
        QVERIFY(form->isVisible());
        QCOMPARE(commands->calls, QStringList{u"close"_s});
    }

    void onlyTheFirstShowingStepsToTheNextPhoto() {
        QTemporaryDir photos;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            QVERIFY(QFile::copy(TFiles::SampleFile(), photos.filePath(name)));
        }
        Settings.modefile = false;
        Settings.random = false;
        Settings.skip = false;
        Settings.folder = photos.path() + "/";
        files->Rebuild();
        form = std::make_unique<TPhotoForm>(*skins, *files, *commands, MenuImages{});
        form->SetSkinByName(u"Walnut"_s);
        const qint32 before = files->CurrentIndex;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(files->CurrentIndex, before + 1);
        form->showMinimized();
        form->showNormal();  // restored: the same photo
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(files->CurrentIndex, before + 1);
    }

    // The frame's pixels with any alpha, on the desktop.
    static QRect FrameOnDesktop(const TPhotoForm& frame) {
        QRegion pixels;
        for (int y = 0; y < frame.PresentedCanvas().height(); ++y) {
            for (int x = 0; x < frame.PresentedCanvas().width(); ++x) {
                if (qAlpha(frame.PresentedCanvas().pixel(x, y)) != 0) {
                    pixels += QRect(x, y, 1, 1);
                }
            }
        }
        return pixels.boundingRect().translated(frame.pos());
    }

    void aFrameSavedOffTheScreensIsShownOnOne() {
        form = std::make_unique<TPhotoForm>(*skins, *files, *commands, MenuImages{});
        form->SetSkinByName(u"Walnut"_s);
        form->SetFramePosition(4200, 3100);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(FrameOnDesktop(*form)),
                 qPrintable(u"frame at %1,%2"_s.arg(form->x()).arg(form->y())));
    }

    void aFrameLeftOffTheScreensComesBackWhenTheyChange() {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        // Mostly on the screen: it stays when the screens change.
        const QPoint mostlyOn(area.right() - form->width() / 2, 100);
        form->move(mostlyOn);
        emit screen->availableGeometryChanged(area);
        QTest::qWait(1000);
        QCOMPARE(form->pos(), mostlyOn);
        // Where a screen was that is now gone: it comes back, fully.
        form->move(area.right() + 600, 100);
        emit screen->availableGeometryChanged(area);
        QTRY_VERIFY2(area.contains(FrameOnDesktop(*form)),
                     qPrintable(u"frame at %1,%2"_s.arg(form->x()).arg(form->y())));
    }

    void fineZoomStepIsOnePixelOfTheRecordedWidth() {
        const double before = form->scale;
        QTest::keyClick(form.get(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(float(form->scale), float(before * 463 / 462));
    }

    void wheel_data() {
        QTest::addColumn<int>("delta");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<bool>("rotated");
        QTest::newRow("up zooms in") << 120 << Qt::KeyboardModifiers() << 10.0 << 1 << false;
        QTest::newRow("down zooms out") << -120 << Qt::KeyboardModifiers() << 10.0 << -1 << false;
        QTest::newRow("Shift+up rotates clockwise")
            << 120 << Qt::KeyboardModifiers(Qt::ShiftModifier) << 13.5 << 0 << false;
        QTest::newRow("Ctrl+Shift+down rotates finely back")
            << -120 << (Qt::ShiftModifier | Qt::ControlModifier) << 9.5 << 0 << false;
        QTest::newRow("Alt turns the skin")
            << -120 << Qt::KeyboardModifiers(Qt::AltModifier) << 10.0 << 0 << true;
        QTest::newRow("Shift+Alt does nothing")
            << 120 << (Qt::ShiftModifier | Qt::AltModifier) << 10.0 << 0 << false;
        QTest::newRow("half a notch does nothing yet")
            << 60 << Qt::KeyboardModifiers() << 10.0 << 0 << false;
    }
    void wheel() {
        QFETCH(int, delta);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(double, angle);
        QFETCH(int, zoom);
        QFETCH(bool, rotated);
        form->angle = 10;
        const double scale = form->scale;
        SendWheel(form.get(), delta, modifiers);
        QCOMPARE(form->angle, angle);
        QCOMPARE(form->scale > scale ? 1 : form->scale < scale ? -1 : 0, zoom);
        QCOMPARE(Settings.rotate, rotated);
    }

    void dragMovesByWholePixels() {
        const QPoint start = form->pos();
        SendMouse(form.get(), QEvent::MouseButtonPress, QPoint(50, 60), Qt::LeftButton,
                  Qt::LeftButton);
        QVERIFY(form->Dragging);
        QCOMPARE(form->DragStartX, 50);
        SendMouse(form.get(), QEvent::MouseMove, QPoint(80, 80), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(form->pos(), start + QPoint(30, 20));
        SendMouse(form.get(), QEvent::MouseButtonRelease, QPoint(80, 80) - QPoint(30, 20),
                  Qt::LeftButton, Qt::NoButton);
        QVERIFY(!form->Dragging);
        // Without the left button held the window stays.
        SendMouse(form.get(), QEvent::MouseButtonPress, QPoint(50, 60), Qt::RightButton,
                  Qt::RightButton);
        SendMouse(form.get(), QEvent::MouseMove, QPoint(90, 90), Qt::NoButton, Qt::RightButton);
        QCOMPARE(form->pos(), start + QPoint(30, 20));
    }

    void lockedIgnoresKeysWheelAndDrags() {
        Settings.locked = true;
        form->angle = 10;
        const QPoint start = form->pos();
        const double scale = form->scale;
        QTest::keyClick(form.get(), Qt::Key_Right);
        QTest::keyClick(form.get(), Qt::Key_0);
        SendWheel(form.get(), 120, Qt::NoModifier);
        SendMouse(form.get(), QEvent::MouseButtonPress, QPoint(50, 60), Qt::LeftButton,
                  Qt::LeftButton);
        SendMouse(form.get(), QEvent::MouseMove, QPoint(80, 80), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(form->pos(), start);
        QCOMPARE(form->angle, 10.0);
        QCOMPARE(form->scale, scale);
        QVERIFY(!form->Dragging);
        // The double-click and the context menu still work.
        SendMouse(form.get(), QEvent::MouseButtonDblClick, QPoint(50, 60), Qt::LeftButton,
                  Qt::LeftButton);
        QCOMPARE(commands->calls, QStringList{u"options"_s});
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20),
                                    form->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(form.get(), &menuEvent);
        QTRY_VERIFY(form->ContextMenu()->isVisible());
        QVERIFY(form->nLocked->isChecked());
        form->ContextMenu()->close();
    }

    void hoverChoosesTheConstantAlpha() {
        Settings.transparency = 100;
        Settings.hovertransparency = 200;
        form->RefreshFrame(0);
        QCOMPARE(form->PresentedAlpha(), 100);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), form->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(form->MouseInside);
        QCOMPARE(form->PresentedAlpha(), 200);
        form->Dragging = true;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(form.get(), &leave);
        QVERIFY(!form->MouseInside);
        QVERIFY(!form->Dragging);
        QCOMPARE(form->PresentedAlpha(), 100);
    }

    void clickThroughAsksFirst_data() {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("on");
        QTest::newRow("answered No") << MessageAnswer::No << false;
        QTest::newRow("answered Yes") << MessageAnswer::Yes << true;
    }
    void clickThroughAsksFirst() {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, on);
        MessageRecorder recorder;
        recorder.answer({answer});
        form->nClickThrough->trigger();
        QCOMPARE(Settings.clickthrough, on);
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Confirmation);
        QVERIFY(recorder.messages[0].text.startsWith(
            u"Enabling Click Through option completely removes possibility"_s));
        QVERIFY(recorder.messages[0].text.endsWith(
            u"\r\n\r\nAre you sure you want to activate Click Through option?"_s));
        QCOMPARE(form->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput), on);
        if (on) {
            form->nClickThrough->trigger();  // switching off asks nothing
            QCOMPARE(recorder.messages.size(), 1);
            QVERIFY(!Settings.clickthrough);
            QVERIFY(!form->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        }
    }

    void clickThroughWithoutATraySaysWhy() {
        commands->tray = false;
        MessageRecorder recorder;
        form->nClickThrough->trigger();
        QVERIFY(!Settings.clickthrough);
        QVERIFY(!form->windowHandle()->flags().testFlag(Qt::WindowTransparentForInput));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Information);
        QCOMPARE(recorder.messages[0].text,
                 u"Click Through is not available on this desktop: it has no notification area "
                 "(system tray).\r\nWhile clicks pass through the photo frame, its tray icon is "
                 "the only way to reach it."_s);
    }

    void contextMenuState() {
        Settings.modefile = true;
        Settings.locked = false;
        Settings.clickthrough = true;
        form->PrepareContextMenu();
        QCOMPARE(form->Noptions->text(), u"Tallowquince Options..."_s);
        QCOMPARE(form->ContextMenu()->defaultAction(), form->Noptions);
        QCOMPARE(form->nClose->text(), u"Close Tallowquince"_s);
        QVERIFY(!form->nPrev->isEnabled());
        QVERIFY(!form->nNext->isEnabled());
        QVERIFY(form->nStayOnTop->isChecked());
        QVERIFY(!form->nLocked->isChecked());
        QVERIFY(form->nClickThrough->isChecked());
        Settings.modefile = false;
        form->nStayOnTop->trigger();
        form->nLocked->trigger();
        form->PrepareContextMenu();
        QVERIFY(form->nPrev->isEnabled() && form->nNext->isEnabled());
        QVERIFY(!form->nStayOnTop->isChecked());
        QVERIFY(!form->GetStayOnTop());
        QVERIFY(form->nLocked->isChecked());
        QVERIFY(Settings.locked);
        for (QAction* item :
             {form->nPrev, form->nNext, form->nAbout, form->nClose, form->Noptions}) {
            item->trigger();
        }
        QCOMPARE(commands->calls, (QStringList{"previous", "next", "about", "close", "options"}));
    }

    void rotationLimit() {
        form->angle = 364.0;
        QTest::keyClick(form.get(), Qt::Key_Right, Qt::ShiftModifier);  // 367.5: refused
        QCOMPARE(form->angle, 364.0);
        QTest::keyClick(form.get(), Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(form->angle, 364.5);
    }

    void savesTheSettingsOnDestructionOnlyWhenLoaded() {
        form->move(321, 123);
        form.reset();
        QVERIFY(!QFileInfo::exists(SettingsFile));
        form = std::make_unique<TPhotoForm>(*skins, *files, *commands, MenuImages{});
        form->SetSkinByName(u"Silver Portrait"_s);
        form->SetFramePosition(321, 123);
        form->SettingsLoaded = true;
        form->scale = 0.75;
        form.reset();
        const QByteArray text = ReadFile(SettingsFile);
        QVERIFY2(text.contains("\r\nskin=Silver Portrait\r\nscale=7500000\r\n"), text.constData());
        QVERIFY(text.contains("\r\nx=321\r\ny=123\r\n"));
    }

    // Once the settings are loaded, what the user changes reaches the file within about two
    // seconds, written once the change has settled.
    void aStoredChangeIsSavedSoon_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("a drag") << 0 << QByteArray("x");
        QTest::newRow("an arrow key") << 1 << QByteArray("y");
        QTest::newRow("a wheel zoom") << 2 << QByteArray("scale");
        QTest::newRow("a rotation key") << 3 << QByteArray("angle");
        QTest::newRow("the turn key") << 4 << QByteArray("rotate");
        QTest::newRow("the Locked item") << 5 << QByteArray("locked");
        QTest::newRow("the Stay On Top item") << 6 << QByteArray("stayontop");
        QTest::newRow("click-through") << 7 << QByteArray("clickthrough");
        QTest::newRow("a transparency shown") << 8 << QByteArray("transparency");
    }
    void aStoredChangeIsSavedSoon() {
        QFETCH(int, change);
        QFETCH(QByteArray, key);
        const auto value = [&key](const QByteArray& text) {
            for (const QByteArray& line : text.split('\n')) {
                if (line.startsWith(key + '=')) {
                    return line.trimmed();
                }
            }
            return QByteArray();
        };
        form->SettingsLoaded = true;
        form.reset();
        const QByteArray before = ReadFile(SettingsFile);
        form = std::make_unique<TPhotoForm>(*skins, *files, *commands, MenuImages{});
        LoadSettings(*form);
        form->SettingsLoaded = true;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        MessageRecorder recorder;
        recorder.answer({MessageAnswer::Yes});
        switch (change) {
            case 0:
                SendMouse(form.get(), QEvent::MouseButtonPress, QPoint(150, 150), Qt::LeftButton,
                          Qt::LeftButton);
                for (int step = 1; step <= 20; ++step) {
                    SendMouse(form.get(), QEvent::MouseMove, QPoint(150 + step, 150), Qt::NoButton,
                              Qt::LeftButton);
                }
                break;
            case 1:
                QTest::keyClick(form.get(), Qt::Key_Down);
                break;
            case 2:
                SendWheel(form.get(), 120, Qt::NoModifier);
                break;
            case 3:
                QTest::keyClick(form.get(), Qt::Key_Right, Qt::ShiftModifier);
                break;
            case 4:
                QTest::keyClick(form.get(), Qt::Key_QuoteLeft);
                break;
            case 5:
                form->nLocked->trigger();
                break;
            case 6:
                form->nStayOnTop->trigger();
                break;
            case 7:
                form->nClickThrough->trigger();
                break;
            case 8:
                Settings.transparency = 100;  // as the options dialog's slider does
                form->RefreshFrame(0);
                break;
        }
        QTRY_COMPARE_WITH_TIMEOUT(ReadFile(SettingsFile), SettingsFileText(*form),
                                  SettingsAutosave::MaxDelay + 500);
        QVERIFY2(value(ReadFile(SettingsFile)) != value(before), value(before).constData());
    }

    void unknownSkinNameGivesTheFirstSkin() {
        form->SetSkinByName(u"no such skin"_s);
        QCOMPARE(form->GetSkinName(), skins->SkinList().front().name);
    }
};

QTEST_MAIN(TestPhotoForm)
#include "tst_photoform.moc"
