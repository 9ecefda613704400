#include "MainFormUnit.h"
#include "ProgramIcon.h"
#include "TApplication.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "i18n/TranslationsUnit.h"
#include "ui/MessageBoxes.h"
#include "version/VersionInfoUnit.h"

#include <QStringList>

int main(int argc, char* argv[]) {
    // A Wayland client may not place its own window: run through XWayland when we can.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    TApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    InstallMessageBoxes();
    InstallUrlOpener();
    SetLocaleSelector(SelectLocale);
    VersionInfo();
    // The application's own decoding of the command line is the right one on every platform.
    const QStringList arguments = QCoreApplication::arguments();
    SetUpGlobals(arguments);
    if (!PortableFolderUsable()) {
        DeleteFolderTree(TempFolder);
        return 1;
    }

    if (InstallPackage(arguments)) {
        DeleteFolderTree(TempFolder);
        return 0;
    }
    InstallShippedPackages();

    TMainForm mainForm;
    QObject::connect(&mainForm, &TMainForm::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    mainForm.CreateTimer->start();
    return app.exec();
}
