// Draws, with the program's own composition, what a first start shows: the first skin of a
// skins folder around a photo, at the frame's starting scale and angle. The end-to-end test
// of the package compares the frame on the screen with it.
//   compose-frame SKINS_FOLDER PHOTO OUT.png   prints the skin's name
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameComposition.h"
#include "skins/SkinModel.h"
#include "skins/SkinsUnit.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        err << "usage: compose-frame SKINS_FOLDER PHOTO OUT.png\n";
        return 2;
    }
    const QTemporaryDir temp;
    SkinsFolder = WithTrailingBackslash(args[1]);
    TempFolder = WithTrailingBackslash(temp.path());
    const TSkins catalogue;
    if (catalogue.SkinList().empty()) {
        err << "compose-frame: no skins in " << args[1] << "\n";
        return 1;
    }
    const std::unique_ptr<TSkin> skin = catalogue.FirstSkin();
    // The frame window's starting values: scale 0.5, angle 0, default settings.
    const QImage canvas = DrawFrameCanvas(*skin, args[2], TSettings{}, 0.5, 0.0);
    if (canvas.isNull() || !canvas.save(args[3], "PNG")) {
        err << "compose-frame: cannot draw " << args[3] << "\n";
        return 1;
    }
    out << skin->Name << "\n";
    return 0;
}
