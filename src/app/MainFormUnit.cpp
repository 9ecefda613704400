#include "MainFormUnit.h"

#include "ProgramIcon.h"
#include "core/GlobalsUnit.h"
#include "platform/Platform.h"
#include "ui/TranslateWidgets.h"

#include <QApplication>
#include <QMenu>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

TMainForm::TMainForm() : MainPopupMenu(std::make_unique<QMenu>()) {
    TrayIcon = new QSystemTrayIcon(ProgramIcon(), this);
    TrayIcon->setToolTip(ApplicationTitle);
    QAction* close = MainPopupMenu->addAction(QStringLiteral("4"));
    close->setProperty("stringId", 4);
    connect(close, &QAction::triggered, this, &TMainForm::nCloseClick);
    connect(MainPopupMenu.get(), &QMenu::aboutToShow, this,
            [this] { TranslateMenu(MainPopupMenu.get()); });
    TrayIcon->setContextMenu(MainPopupMenu.get());
    TrayIcon->show();

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

TMainForm::~TMainForm() {
    delete TrayIcon;
    DeleteFolderTree(TempFolder);
}

void TMainForm::nCloseClick() {
    QCoreApplication::quit();
}
