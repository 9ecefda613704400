#pragma once

#include "core/SettingsAutosave.h"
#include "core/SettingsUnit.h"
#include "frame/FrameDrop.h"
#include "frame/FrameInput.h"
#include "frame/WindowSystem.h"

#include <QIcon>
#include <QImage>
#include <QRecursiveMutex>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QMenu;
class TFiles;
class TSkins;
struct TSkin;

// The controller's commands that the frame's menu, keys and double-click invoke.
class FrameCommands {
public:
    virtual ~FrameCommands() = default;
    virtual void NoptionsClick() = 0;
    virtual void nPrevClick() = 0;
    virtual void nNextClick() = 0;
    virtual void nAboutClick() = 0;
    virtual void nCloseClick() = 0;
    // Whether the desktop shows the tray icon: the only way back to a click-through frame.
    virtual bool TrayAvailable() const = 0;
};

// The images of the menus: the controller's image list.
struct MenuImages {
    QIcon options;
    QIcon close;
    QIcon previous;
    QIcon next;
};

// The frame window: a borderless, per-pixel-alpha tool window showing the composed frame,
// and everything the user does with it directly.
class TPhotoForm : public QWidget, public FrameSettings {
    Q_OBJECT
public:
    TPhotoForm(TSkins& skins, TFiles& files, FrameCommands& commands, const MenuImages& images);
    ~TPhotoForm() override;

    // Recomposes and presents the frame; step moves through the photos (+1, -1 or 0).
    void RefreshFrame(int step);
    // Replaces the current skin, which is destroyed; no refresh.
    void SetSkin(std::unique_ptr<TSkin> skin);
    // Takes the catalogue's first skin when there is none.
    void EnsureSkin();
    // Makes the named skin current, keeping the frame's size on the screen; a skin that
    // fails to load leaves the current one and is reported. Answers whether it changed.
    bool ChangeSkin(const QString& name);
    // What a drop onto the frame does, once it is taken.
    void OpenDropped(const DroppedItem& item);
    const TSkin* CurrentSkin() const { return Skin.get(); }

    void ZoomStep(bool larger, bool fine);
    void RotateStep(bool clockwise, bool fine);
    // Turns the skin by 90 degrees, or back, moving to the next or previous photo.
    void ToggleRotate();
    // Click-through on (after a confirmation) or off. Without a tray it is not available.
    void ClickThroughCommand();
    bool ClickThroughAvailable() const { return commands.TrayAvailable(); }
    void ToggleStayOnTop();
    void ToggleLocked();
    // Moves a frame of which less than half is on the screens fully onto the nearest one.
    void KeepOnScreen();

    // FrameSettings
    void SetSkinByName(const QString& name) override;
    QString GetSkinName() const override;
    double GetScale() const override { return scale; }
    void SetScale(double s) override { scale = s; }
    double GetAngle() const override { return angle; }
    void SetAngle(double a) override { angle = a; }
    bool GetStayOnTop() const override;
    void SetStayOnTop(bool stayOnTop) override;
    QPoint GetFramePosition() const override;
    void SetFramePosition(int x, int y) override;

    QTimer* RenderTimer = nullptr;
    // Set once the settings are loaded: from then on they are saved soon after each change,
    // and when the window is destroyed.
    bool SettingsLoaded = false;
    // Set by the controller when the run ends; until then a close request is the user's.
    bool ProgramEnding = false;
    bool MouseInside = false;
    bool Dragging = false;
    qint32 DragStartX = 0;
    qint32 DragStartY = 0;
    double scale = 0.5;
    double angle = 0;

    // What is on screen: the canvas, its constant alpha and the bounds recorded for it.
    const QImage& PresentedCanvas() const { return canvas; }
    int PresentedAlpha() const { return alpha; }
    QSize RecordedSize() const { return recordedSize; }
    QMenu* ContextMenu() const { return contextMenu; }
    // Opens the context menu's state as it is when the menu is about to show.
    void PrepareContextMenu();

    QAction* Noptions = nullptr;
    QAction* nPrev = nullptr;
    QAction* nNext = nullptr;
    QAction* nStayOnTop = nullptr;
    QAction* nLocked = nullptr;
    QAction* nClickThrough = nullptr;
    QAction* nAbout = nullptr;
    QAction* nClose = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void PresentFrame(QImage frameCanvas, int constantAlpha);
    void ApplyClickThrough(bool on);
    void ApplyInputRegion(bool force);
    void ApplyWindowFlags();
    void RunAction(FrameAction action, Qt::KeyboardModifiers modifiers);
    void BuildContextMenu(const MenuImages& images);
    void SettingsChanged();
    // Drops are taken unless the frame is locked or a dialog holds the program.
    bool AcceptsDrops() const;

    TSkins& skins;
    TFiles& files;
    FrameCommands& commands;
    QRecursiveMutex RenderLock;
    std::unique_ptr<TSkin> Skin;
    QMenu* contextMenu = nullptr;
    QTimer* positionCheck = nullptr;
    QTimer* screensCheck = nullptr;
    WheelSteps wheelSteps;
    CloseRequestWatch closeRequests;
    SettingsAutosave autosave{*this};

    QImage canvas;
    int alpha = 255;
    QSize recordedSize;
    std::vector<QRect> inputRuns;  // where the canvas has any alpha, as last applied
    bool stayOnTop = true;
    bool clickThroughApplied = false;
    bool shownBefore = false;
    qreal drawnForRatio = 1;  // the screen's pixel ratio the canvas was drawn for
    bool redrawForRatioPending = false;
};
