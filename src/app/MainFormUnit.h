#pragma once

#include <QObject>

#include <memory>

class QMenu;
class QSocketNotifier;
class QSystemTrayIcon;

// The hidden main controller: owns the tray icon and ends the run in order.
class TMainForm : public QObject {
    Q_OBJECT
public:
    TMainForm();
    ~TMainForm() override;

    void nCloseClick();

private:
    std::unique_ptr<QMenu> MainPopupMenu;
    QSystemTrayIcon* TrayIcon = nullptr;
    QSocketNotifier* terminationNotifier = nullptr;
};
