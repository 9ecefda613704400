#include "MainFormUnit.h"

#include "ProgramIcon.h"
#include "core/GlobalsUnit.h"
#include "core/Messages.h"
#include "frame/TranslateWidgets.h"
#include "i18n/TranslationsUnit.h"
#include "photos/FilesUnit.h"
#include "platform/Platform.h"
#include "skins/SkinsUnit.h"
#include "ui/About.h"
#include "ui/OptionsFormUnit.h"
#include "update/UpdaterThreadUnit.h"

#include <QApplication>
#include <QMenu>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

QTimer* NewTimer(QObject* owner, int interval) {
    auto* timer = new QTimer(owner);
    timer->setInterval(interval);
    return timer;
}

}  // namespace

bool TrayActivationOpensOptions(QSystemTrayIcon::ActivationReason reason, bool iconPlaceKnown) {
    return reason == QSystemTrayIcon::DoubleClick ||
           (reason == QSystemTrayIcon::Trigger && !iconPlaceKnown);
}

TMainForm::TMainForm() {
    CreateTimer = NewTimer(this, 100);
    CreateTimer->setSingleShot(true);
    TrayTimer = NewTimer(this, 333);
    UpdateTimer = NewTimer(this, 2000);
    connect(CreateTimer, &QTimer::timeout, this, &TMainForm::CreateTimerTimer);
    connect(TrayTimer, &QTimer::timeout, this, &TMainForm::TrayTimerTimer);
    connect(UpdateTimer, &QTimer::timeout, this, [this] { UpdateTimerTimer(true); });
    ImageList1 = {MenuIcon(MenuImage::Options), MenuIcon(MenuImage::Close),
                  MenuIcon(MenuImage::Previous), MenuIcon(MenuImage::Next)};
    BuildMenu();
    FormCreate();
}

TMainForm::~TMainForm() {
    // The frame goes first and saves the settings; then what the skins left behind goes.
    photoForm.reset();
    delete TrayIcon;
    DeleteFolderTree(TempFolder);
}

void TMainForm::BuildMenu() {
    popupMenu = std::make_unique<QMenu>();
    MainPopupMenu = popupMenu.get();
    Noptions = AddTranslatedItem(MainPopupMenu, 1, ImageList1.options);
    MainPopupMenu->setDefaultAction(Noptions);
    nFixPos = AddTranslatedItem(MainPopupMenu, 15);
    MainPopupMenu->addSeparator();
    nPrev = AddTranslatedItem(MainPopupMenu, 302, ImageList1.previous);
    nNext = AddTranslatedItem(MainPopupMenu, 301, ImageList1.next);
    MainPopupMenu->addSeparator();
    nSOT = AddTranslatedItem(MainPopupMenu, 305);
    nLocked = AddTranslatedItem(MainPopupMenu, 303);
    nClickThrough = AddTranslatedItem(MainPopupMenu, 304);
    MainPopupMenu->addSeparator();
    nAbout = AddTranslatedItem(MainPopupMenu, 2);
    nClose = AddTranslatedItem(MainPopupMenu, 4, ImageList1.close);
    for (QAction* item : {nSOT, nLocked, nClickThrough}) {
        item->setCheckable(true);
    }
    connect(MainPopupMenu, &QMenu::aboutToShow, this, &TMainForm::MainPopupMenuPopup);
    connect(Noptions, &QAction::triggered, this, &TMainForm::NoptionsClick);
    connect(nFixPos, &QAction::triggered, this, &TMainForm::nFixPosClick);
    connect(nPrev, &QAction::triggered, this, &TMainForm::nPrevClick);
    connect(nNext, &QAction::triggered, this, &TMainForm::nNextClick);
    connect(nSOT, &QAction::triggered, this, &TMainForm::nSOTClick);
    connect(nLocked, &QAction::triggered, this, &TMainForm::nLockedClick);
    connect(nClickThrough, &QAction::triggered, this, &TMainForm::nClickThroughClick);
    connect(nAbout, &QAction::triggered, this, &TMainForm::nAboutClick);
    connect(nClose, &QAction::triggered, this, &TMainForm::nCloseClick);
}

void TMainForm::FormCreate() {
    TrayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
    TrayIcon->setToolTip(ApplicationTitle);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (TrayActivationOpensOptions(reason, !TrayIcon->geometry().isEmpty())) {
                    // After the tray's call returns: a panel waits for its answer.
                    QTimer::singleShot(0, this, &TMainForm::TrayIconDblClick);
                }
            });
    TrayIcon->show();
    skins = std::make_unique<TSkins>();

    // A log-out or a kill request ends the run like the Close command.
    const int fd = platform::TerminationRequestDescriptor();
    if (fd >= 0) {
        terminationNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(terminationNotifier, &QSocketNotifier::activated, this, [this] {
            platform::AcknowledgeTerminationRequest();
            nCloseClick();
        });
    }
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TMainForm::nCloseClick);
}

void TMainForm::CreateTimerTimer() {
    CreateTimer->stop();
    files = std::make_unique<TFiles>();
    photoForm = std::make_unique<TPhotoForm>(*skins, *files, *this, ImageList1);
    photoForm->SetStayOnTop(false);
    photoForm->SetStayOnTop(true);
    try {
        LoadSettings(*photoForm);
    } catch (const std::exception&) {
    }
    // Without a tray a click-through frame could not be reached at all: not applied.
    if (Settings.clickthrough && !TrayAvailable()) {
        Settings.clickthrough = false;
    }
    photoForm->RenderTimer->setInterval(Settings.changeinterval * 60000);
    if (!Settings.modefile) {
        photoForm->RenderTimer->start();
    }
    if (!platform::AcquireInstanceLock(InstanceMutexName.toStdString())) {
        ShowMessage(MessageKind::Error, GetText(2000));
        nCloseClick();
        return;
    }
    if (skins->SkinList().empty()) {
        ShowMessage(MessageKind::Error, GetText(940));
        nCloseClick();
        return;
    }
    TrayTimer->start();
    if (!Settings.modefile) {
        files->Rebuild();
    }
    photoForm->SettingsLoaded = true;
    UpdateTimer->start();
    photoForm->EnsureSkin();
    photoForm->show();
}

int TMainForm::ModalCount() const {
    return QApplication::activeModalWidget() ? 1 : 0;
}

void TMainForm::TrayTimerTimer() {
    TrayTimer->stop();
    TrayIcon->setContextMenu(ModalCount() == 0 ? MainPopupMenu : nullptr);
    if (Settings.clickthrough && photoForm && !TrayAvailable()) {
        // The tray went away (its panel ended): the frame must take clicks again.
        Settings.clickthrough = false;
        photoForm->RefreshFrame(0);
    }
    TrayTimer->start();
}

bool TMainForm::TrayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TMainForm::UpdateTimerTimer(bool fromTimer) {
    UpdateTimer->stop();
    if (Settings.autoupdate || !fromTimer) {
        TUpdaterThread::Start(fromTimer);
    }
}

void TMainForm::TrayIconDblClick() {
    if (ModalCount() == 0) {
        NoptionsClick();
    }
}

void TMainForm::MainPopupMenuPopup() {
    TranslateMenu(MainPopupMenu);
    nPrev->setEnabled(!Settings.modefile);
    nNext->setEnabled(!Settings.modefile);
    nLocked->setChecked(Settings.locked);
    nClickThrough->setChecked(Settings.clickthrough);
    nSOT->setChecked(photoForm && photoForm->GetStayOnTop());
}

void TMainForm::NoptionsClick() {
    if (!photoForm) {
        return;
    }
    {
        TOptionsForm form(*photoForm, *skins, *files, [this] { UpdateTimerTimer(false); });
        form.exec();
    }
    TrimWorkingSet();
}

void TMainForm::nAboutClick() {
    {
        TAboutBox box;
        box.exec();
    }
    TrimWorkingSet();
}

void TMainForm::nFixPosClick() {
    if (photoForm) {
        photoForm->move(100, 100);
    }
}

void TMainForm::nPrevClick() {
    if (photoForm) {
        photoForm->RefreshFrame(-1);
        RestartPhotoTimer();
    }
}

void TMainForm::nNextClick() {
    if (photoForm) {
        photoForm->RefreshFrame(+1);
        RestartPhotoTimer();
    }
}

void TMainForm::RestartPhotoTimer() {
    // The next automatic change comes one full period after the command.
    if (photoForm->RenderTimer->isActive()) {
        photoForm->RenderTimer->start();
    }
}

void TMainForm::nSOTClick() {
    if (photoForm) {
        photoForm->ToggleStayOnTop();
    }
}

void TMainForm::nLockedClick() {
    if (photoForm) {
        photoForm->ToggleLocked();
    }
}

void TMainForm::nClickThroughClick() {
    if (photoForm) {
        photoForm->ClickThroughCommand();
    }
}

void TMainForm::nCloseClick() {
    if (photoForm) {
        photoForm->ProgramEnding = true;
    }
    emit closed();
}
