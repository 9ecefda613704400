#include "PhotoFormUnit.h"

#include "core/GlobalsUnit.h"
#include "core/Messages.h"
#include "frame/FrameComposition.h"
#include "frame/FrameGeometry.h"
#include "frame/TranslateWidgets.h"
#include "frame/WindowSystem.h"
#include "i18n/TranslationsUnit.h"
#include "photos/FilesUnit.h"
#include "skins/SkinPackage.h"
#include "skins/SkinsUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QEnterEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

namespace {

constexpr Qt::WindowFlags kBaseFlags = Qt::FramelessWindowHint | Qt::Tool;

int LargerSide(const TSkin* skin) {
    return skin ? std::max(skin->Width, skin->Height) : 0;
}

}  // namespace

TPhotoForm::TPhotoForm(TSkins& skins, TFiles& files, FrameCommands& commands,
                       const MenuImages& images)
    : QWidget(nullptr, kBaseFlags | Qt::WindowStaysOnTopHint),
      skins(skins),
      files(files),
      commands(commands) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(ApplicationTitle);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    move(200, 200);

    positionCheck = new QTimer(this);
    positionCheck->setSingleShot(true);
    positionCheck->setInterval(250);
    connect(positionCheck, &QTimer::timeout, this, [this] {
        const std::optional<QPoint> actual = PositionOnScreen(this);
        if (isVisible() && actual && *actual != pos()) {
            move(*actual);
        }
    });

    // Screens come and go (a laptop undocked) and change size: a frame left mostly off them
    // comes back, once the window manager has settled the new screens.
    screensCheck = new QTimer(this);
    screensCheck->setSingleShot(true);
    screensCheck->setInterval(500);
    connect(screensCheck, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            KeepOnScreen();
        }
    });
    const auto watchScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, screensCheck, qOverload<>(&QTimer::start));
        connect(screen, &QScreen::availableGeometryChanged, screensCheck,
                qOverload<>(&QTimer::start));
    };
    for (QScreen* screen : QGuiApplication::screens()) {
        watchScreen(screen);
    }
    connect(qApp, &QGuiApplication::screenAdded, this, [this, watchScreen](QScreen* screen) {
        watchScreen(screen);
        screensCheck->start();
    });
    connect(qApp, &QGuiApplication::screenRemoved, screensCheck, qOverload<>(&QTimer::start));

    RenderTimer = new QTimer(this);
    connect(RenderTimer, &QTimer::timeout, this, [this] { RefreshFrame(+1); });
    BuildContextMenu(images);

    // The task bar learns to skip the window from the state it has when it is first mapped.
    winId();
    KeepOffTaskbar(this);
}

TPhotoForm::~TPhotoForm() {
    if (SettingsLoaded) {
        SaveSettings(*this);
    }
}

void TPhotoForm::BuildContextMenu(const MenuImages& images) {
    contextMenu = new QMenu(this);
    Noptions = AddTranslatedItem(contextMenu, 1, images.options);
    contextMenu->setDefaultAction(Noptions);
    contextMenu->addSeparator();
    nPrev = AddTranslatedItem(contextMenu, 302, images.previous);
    nNext = AddTranslatedItem(contextMenu, 301, images.next);
    contextMenu->addSeparator();
    nStayOnTop = AddTranslatedItem(contextMenu, 305);
    nLocked = AddTranslatedItem(contextMenu, 303);
    nClickThrough = AddTranslatedItem(contextMenu, 304);
    contextMenu->addSeparator();
    nAbout = AddTranslatedItem(contextMenu, 2);
    nClose = AddTranslatedItem(contextMenu, 4, images.close);
    for (QAction* item : {nStayOnTop, nLocked, nClickThrough}) {
        item->setCheckable(true);
    }
    connect(contextMenu, &QMenu::aboutToShow, this, &TPhotoForm::PrepareContextMenu);
    connect(Noptions, &QAction::triggered, this, [this] { commands.NoptionsClick(); });
    connect(nPrev, &QAction::triggered, this, [this] { commands.nPrevClick(); });
    connect(nNext, &QAction::triggered, this, [this] { commands.nNextClick(); });
    connect(nStayOnTop, &QAction::triggered, this, &TPhotoForm::ToggleStayOnTop);
    connect(nLocked, &QAction::triggered, this, &TPhotoForm::ToggleLocked);
    connect(nClickThrough, &QAction::triggered, this, &TPhotoForm::ClickThroughCommand);
    connect(nAbout, &QAction::triggered, this, [this] { commands.nAboutClick(); });
    connect(nClose, &QAction::triggered, this, [this] { commands.nCloseClick(); });
}

void TPhotoForm::PrepareContextMenu() {
    TranslateMenu(contextMenu);
    nPrev->setEnabled(!Settings.modefile);
    nNext->setEnabled(!Settings.modefile);
    nStayOnTop->setChecked(GetStayOnTop());
    nLocked->setChecked(Settings.locked);
    nClickThrough->setChecked(Settings.clickthrough);
}

void TPhotoForm::RefreshFrame(int step) {
    {
        QMutexLocker lock(&RenderLock);
        if (!Skin) {
            return;  // the start-up ensures a skin before the window shows
        }
        drawnForRatio = devicePixelRatioF();
        RenderedFrame frame =
            RenderFrame(*Skin, files, step, Settings, scale, angle, drawnForRatio);
        recordedSize = frame.recordedSize;
        PresentFrame(std::move(frame.canvas),
                     MouseInside ? Settings.hovertransparency : Settings.transparency);
        ApplyClickThrough(Settings.clickthrough);
    }
    // Whoever changes a setting that shows refreshes the frame.
    SettingsChanged();
    TrimWorkingSet();
}

void TPhotoForm::SettingsChanged() {
    if (SettingsLoaded) {
        autosave.Changed();
    }
}

void TPhotoForm::SetSkin(std::unique_ptr<TSkin> skin) {
    QMutexLocker lock(&RenderLock);
    Skin = std::move(skin);
}

void TPhotoForm::EnsureSkin() {
    if (!Skin && !skins.SkinList().empty()) {
        SetSkin(skins.SkinByName(skins.SkinList().front().name));
    }
}

void TPhotoForm::PresentFrame(QImage frameCanvas, int constantAlpha) {
    canvas = std::move(frameCanvas);
    alpha = constantAlpha;
    const QSize logical = LogicalSize(canvas);
    if (size() != logical) {
        resize(logical);  // the top-left corner stays where it is
    }
    ApplyInputRegion(false);
    update();
}

void TPhotoForm::ApplyInputRegion(bool force) {
    std::vector<QRect> runs = InputRuns(canvas);
    if (!force && isVisible() && inputRuns == runs) {
        return;
    }
    inputRuns = std::move(runs);
    if (!isVisible()) {
        return;  // set once the window is shown: a window manager may miss an earlier one
    }
    QRegion region;
    region.setRects(inputRuns.data(), int(inputRuns.size()));
    if (region.isEmpty()) {
        // An empty mask is no mask, and the invisible window would take every click: a
        // region beside the window takes none.
        region = QRegion(-1, -1, 1, 1);
    }
    setMask(region);
}

void TPhotoForm::KeepOnScreen() {
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.push_back(screen->availableGeometry());
    }
    QRegion frame;
    frame.setRects(inputRuns.data(), int(inputRuns.size()));
    const QPoint offset = OffsetOntoScreens(frame.translated(pos()), screens);
    if (!offset.isNull()) {
        move(pos() + offset);
    }
}

void TPhotoForm::ApplyClickThrough(bool on) {
    if (!isVisible() || on == clickThroughApplied) {
        return;
    }
    clickThroughApplied = on;
    ApplyWindowFlags();
    if (!on) {
        ApplyInputRegion(true);  // switching it off gives the whole window input again
    }
}

void TPhotoForm::ApplyWindowFlags() {
    Qt::WindowFlags flags = kBaseFlags;
    flags.setFlag(Qt::WindowStaysOnTopHint, stayOnTop);
    flags.setFlag(Qt::WindowTransparentForInput, clickThroughApplied);
    if (!isVisible()) {
        setWindowFlags(flags);  // the window is shown with them; showing keeps it off the task bar
        return;
    }
    // A shown window keeps its native window: flags changed there take effect at once.
    overrideWindowFlags(flags);
    windowHandle()->setFlags(flags);
    KeepOffTaskbar(this);
}

bool TPhotoForm::GetStayOnTop() const {
    return stayOnTop;
}

void TPhotoForm::SetStayOnTop(bool on) {
    if (on != stayOnTop) {
        stayOnTop = on;
        ApplyWindowFlags();
        SettingsChanged();
    }
}

void TPhotoForm::ToggleStayOnTop() {
    SetStayOnTop(!stayOnTop);
}

void TPhotoForm::ToggleLocked() {
    Settings.locked = !Settings.locked;
    SettingsChanged();
}

void TPhotoForm::SetSkinByName(const QString& name) {
    SetSkin(skins.SkinByName(name));
}

QString TPhotoForm::GetSkinName() const {
    return Skin ? Skin->Name : QString();
}

QPoint TPhotoForm::GetFramePosition() const {
    return pos();
}

void TPhotoForm::SetFramePosition(int x, int y) {
    move(x, y);
}

void TPhotoForm::ZoomStep(bool larger, bool fine) {
    Dragging = false;
    if (!Skin) {
        return;
    }
    scale = ::ZoomStep(scale, larger, fine, recordedSize.width(), Skin->Width, Skin->Height);
    RefreshFrame(0);
}

void TPhotoForm::RotateStep(bool clockwise, bool fine) {
    if (const std::optional<double> next = ::RotateStep(angle, clockwise, fine)) {
        angle = *next;
        RefreshFrame(0);
    }
}

void TPhotoForm::ToggleRotate() {
    Settings.rotate = !Settings.rotate;
    RefreshFrame(Settings.rotate ? +1 : -1);
}

void TPhotoForm::ClickThroughCommand() {
    if (!Settings.clickthrough) {
        if (!ClickThroughAvailable()) {
            ShowMessage(MessageKind::Information, GetText(398));
            return;
        }
        if (ShowMessage(MessageKind::Confirmation, GetText(399)) != MessageAnswer::Yes) {
            return;
        }
    }
    Settings.clickthrough = !Settings.clickthrough;
    RefreshFrame(0);
}

void TPhotoForm::RunAction(FrameAction action, Qt::KeyboardModifiers modifiers) {
    const bool fine = modifiers.testFlag(Qt::ControlModifier);
    const int step = MoveStep(modifiers);
    switch (action) {
        case FrameAction::None:
            break;
        case FrameAction::ResetAngle:
            angle = 0;
            RefreshFrame(0);
            break;
        case FrameAction::ToggleRotate:
            ToggleRotate();
            break;
        case FrameAction::Previous:
            commands.nPrevClick();
            break;
        case FrameAction::Next:
            commands.nNextClick();
            break;
        case FrameAction::MoveLeft:
            move(x() - step, y());
            break;
        case FrameAction::MoveUp:
            move(x(), y() - step);
            break;
        case FrameAction::MoveRight:
            move(x() + step, y());
            break;
        case FrameAction::MoveDown:
            move(x(), y() + step);
            break;
        case FrameAction::ZoomIn:
        case FrameAction::ZoomOut:
            ZoomStep(action == FrameAction::ZoomIn, fine);
            break;
        case FrameAction::RotateClockwise:
        case FrameAction::RotateAnticlockwise:
            RotateStep(action == FrameAction::RotateClockwise, fine);
            break;
    }
}

void TPhotoForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(alpha / 255.0);
    // In the screen's own pixels: the canvas was drawn for them, so it is copied one to one.
    const qreal ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    painter.drawImage(QRectF(QPointF(0, 0), canvas.deviceIndependentSize() * ratio), canvas,
                      QRectF(canvas.rect()));
    if (!canvas.isNull() && ratio != drawnForRatio && !redrawForRatioPending) {
        // The window went to a screen of another pixel ratio: draw for that one.
        redrawForRatioPending = true;
        QTimer::singleShot(0, this, [this] {
            redrawForRatioPending = false;
            RefreshFrame(0);
        });
    }
}

void TPhotoForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    KeepOffTaskbar(this);
    // Only the first showing steps to the next photo; restoring a minimised frame does not.
    RefreshFrame(shownBefore ? 0 : +1);
    if (!shownBefore) {
        KeepOnScreen();  // a place saved on a screen that is gone; before the window is mapped
    }
    shownBefore = true;
    // The window is mapped only after this returns; shape and click-through follow then.
    QTimer::singleShot(0, this, [this] {
        KeepOffTaskbar(this);
        ApplyInputRegion(true);
        ApplyClickThrough(Settings.clickthrough);
    });
}

void TPhotoForm::moveEvent(QMoveEvent* event) {
    if (event->spontaneous()) {
        positionCheck->start();  // see that the toolkit's record matches the window's place
    }
    SettingsChanged();  // a drag, the keys, Fix Position or the window manager
}

void TPhotoForm::closeEvent(QCloseEvent* event) {
    if (ProgramEnding) {
        return;  // the run ends: the toolkit closes every window on its way out
    }
    // The program never runs on without its frame: Alt+F4 does nothing, and any other close
    // request (a pager, a tool) ends the program in order, like the Close command.
    event->ignore();
    if (!closeRequests.RequestWithAlt()) {
        commands.nCloseClick();
    }
}

void TPhotoForm::mousePressEvent(QMouseEvent* event) {
    activateWindow();  // a tool window is not focused on its own, and keys should reach it
    if (Settings.locked) {
        return;
    }
    Dragging = true;
    DragStartX = qRound(event->position().x());
    DragStartY = qRound(event->position().y());
}

void TPhotoForm::mouseMoveEvent(QMouseEvent* event) {
    if (Settings.locked || !event->buttons().testFlag(Qt::LeftButton) || !Dragging) {
        return;
    }
    // left + x - DragStartX, from the pointer's screen position so that a move the window
    // system has not carried out yet does not count twice.
    const QPoint global = event->globalPosition().toPoint();
    move(global.x() - DragStartX, global.y() - DragStartY);
}

void TPhotoForm::mouseReleaseEvent(QMouseEvent*) {
    if (!Settings.locked) {
        Dragging = false;
    }
}

void TPhotoForm::mouseDoubleClickEvent(QMouseEvent*) {
    commands.NoptionsClick();
}

void TPhotoForm::enterEvent(QEnterEvent*) {
    MouseInside = true;
    RefreshFrame(0);
}

void TPhotoForm::leaveEvent(QEvent*) {
    Dragging = false;
    MouseInside = false;
    RefreshFrame(0);
}

void TPhotoForm::keyPressEvent(QKeyEvent* event) {
    if (Settings.locked) {
        return;
    }
    const FrameAction action = ActionForKey(FrameKeyOf(*event), event->modifiers());
    if (action == FrameAction::None) {
        QWidget::keyPressEvent(event);
        return;
    }
    RunAction(action, event->modifiers());
}

void TPhotoForm::wheelEvent(QWheelEvent* event) {
    if (Settings.locked) {
        return;
    }
    const int steps = wheelSteps.add(event->angleDelta());
    for (int i = 0; i < std::abs(steps); ++i) {
        RunAction(ActionForWheel(steps > 0, event->modifiers()), event->modifiers());
    }
}

void TPhotoForm::contextMenuEvent(QContextMenuEvent* event) {
    contextMenu->popup(event->globalPos());
}

bool TPhotoForm::ChangeSkin(const QString& name) {
    std::unique_ptr<TSkin> next;
    try {
        // Loaded before the current skin goes, so that a failure keeps the frame drawable.
        next = skins.SkinByName(name);
    } catch (const std::exception& e) {
        ShowMessage(MessageKind::Error, QString::fromUtf8(e.what()));
        return false;
    }
    const int m = LargerSide(Skin.get());
    const int n = LargerSide(next.get());
    SetSkin(std::move(next));
    if (m > 0 && n > 0 && m != n) {
        scale = m * scale / n;
    }
    return true;
}

bool TPhotoForm::AcceptsDrops() const {
    return !Settings.locked && !QApplication::activeModalWidget();
}

void TPhotoForm::dragEnterEvent(QDragEnterEvent* event) {
    // Left unaccepted, the pointer shows that nothing can be dropped here.
    if (AcceptsDrops() && event->possibleActions().testFlag(Qt::CopyAction) &&
        ClassifyDrop(event->mimeData()->urls()).kind != DropKind::None) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void TPhotoForm::dropEvent(QDropEvent* event) {
    const DroppedItem item = ClassifyDrop(event->mimeData()->urls());
    if (!AcceptsDrops() || !event->possibleActions().testFlag(Qt::CopyAction) ||
        item.kind == DropKind::None) {
        event->ignore();
        return;
    }
    // Copy, never move: the source keeps its file.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Opened once the drag source has its answer: the opening may show a message box.
    QTimer::singleShot(0, this, [this, item] { OpenDropped(item); });
}

void TPhotoForm::OpenDropped(const DroppedItem& item) {
    switch (item.kind) {
        case DropKind::None:
            return;
        case DropKind::Photo:
            if (!SavablePath(item.path)) {
                return;
            }
            Settings.file = item.path;
            Settings.modefile = true;
            RenderTimer->stop();
            break;
        case DropKind::Folder:
            if (!SavablePath(item.path)) {
                return;
            }
            Settings.folder = WithTrailingBackslash(item.path);
            Settings.modefile = false;
            RenderTimer->setInterval(Settings.changeinterval * 60000);
            RenderTimer->start();
            files.Rebuild();
            break;
        case DropKind::Skin: {
            QString name;
            try {
                // A package the catalogue could not read is not installed at all.
                name = ReadSkinName(item.path);
            } catch (const std::exception& e) {
                ShowMessage(MessageKind::Error, QString::fromUtf8(e.what()));
                return;
            }
            if (InstallPackageFile(item.path, PackageKind::Skin, false).isEmpty()) {
                return;
            }
            skins.refreshSkinList();
            // Of two packages of one name the catalogue keeps one; that one is selected.
            const auto& list = skins.SkinList();
            const auto listed = std::find_if(list.begin(), list.end(), [&name](const auto& e) {
                return e.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (listed == list.end() || !ChangeSkin(listed->name)) {
                return;  // the catalogue or the load has said why
            }
            break;
        }
        case DropKind::Locale: {
            const QString installed = InstallPackageFile(item.path, PackageKind::Locale, false);
            if (installed.isEmpty()) {
                return;
            }
            Settings.locale = QFileInfo(installed).fileName();
            SelectLocale(Settings.locale);
            break;
        }
    }
    RefreshFrame(0);
}
