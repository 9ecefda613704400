#include "MainFormUnit.h"
#include "TApplication.h"
#include "core/GlobalsUnit.h"
#include "ui/MessageBoxes.h"
#include "version/VersionInfoUnit.h"

#include <QStringList>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    // A Wayland client may not place its own window: run through XWayland when we can.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    TApplication app(argc, argv);
    InstallMessageBoxes();
    VersionInfo();
    SetUpGlobals(arguments);

    if (InstallPackage(arguments)) {
        DeleteFolderTree(TempFolder);
        return 0;
    }
    InstallShippedPackages();

    TMainForm mainForm;
    return app.exec();
}
