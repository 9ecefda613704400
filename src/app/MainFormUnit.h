#pragma once

#include "frame/PhotoFormUnit.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class QAction;
class QMenu;
class QSocketNotifier;
class QTimer;
class TFiles;
class TSkins;

// Whether an activation of the tray icon opens the options. A tray that lets the program know
// where its icon is (XEmbed, where the icon is a window of the program's own; Windows) reports
// double clicks, and a single click there does nothing. A tray that draws the icon itself
// (StatusNotifierItem: KDE, XFCE, Cinnamon, GNOME's AppIndicator) reports neither the place
// nor double clicks: its activation stands for the double click.
bool TrayActivationOpensOptions(QSystemTrayIcon::ActivationReason reason, bool iconPlaceKnown);

// The hidden main controller: the tray icon and its menu, the deferred start-up, the
// commands, the update check after start-up, and the order in which the run ends.
class TMainForm : public QObject, public FrameCommands {
    Q_OBJECT
public:
    TMainForm();
    ~TMainForm() override;

    void CreateTimerTimer();
    void TrayTimerTimer();
    // `fromTimer` is the sender: a check from the timer is silent when nothing is new.
    void UpdateTimerTimer(bool fromTimer);
    void TrayIconDblClick();
    void MainPopupMenuPopup();

    void NoptionsClick() override;
    void nFixPosClick();
    void nPrevClick() override;
    void nNextClick() override;
    void nSOTClick();
    void nLockedClick();
    void nClickThroughClick();
    void nAboutClick() override;
    void nCloseClick() override;
    bool TrayAvailable() const override;

    // Non-zero while a modal dialog or message box is open.
    int ModalCount() const;

    QTimer* CreateTimer = nullptr;
    QTimer* TrayTimer = nullptr;
    QTimer* UpdateTimer = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* MainPopupMenu = nullptr;
    MenuImages ImageList1;

    QAction* Noptions = nullptr;
    QAction* nFixPos = nullptr;
    QAction* nPrev = nullptr;
    QAction* nNext = nullptr;
    QAction* nSOT = nullptr;
    QAction* nLocked = nullptr;
    QAction* nClickThrough = nullptr;
    QAction* nAbout = nullptr;
    QAction* nClose = nullptr;

    TSkins& Skins() { return *skins; }
    TFiles* Files() { return files.get(); }
    TPhotoForm* PhotoForm() { return photoForm.get(); }

signals:
    // The run is over: the event loop should end.
    void closed();

private:
    void FormCreate();
    void BuildMenu();
    void RestartPhotoTimer();

    std::unique_ptr<QMenu> popupMenu;
    std::unique_ptr<TSkins> skins;
    std::unique_ptr<TFiles> files;
    std::unique_ptr<TPhotoForm> photoForm;
    QSocketNotifier* terminationNotifier = nullptr;
};
