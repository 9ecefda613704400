#include "SkinFuzzing.h"

#include "FuzzSupport.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"
#include "frame/FrameComposition.h"
#include "skins/SkinPackage.h"

#include <exception>
#include <memory>

namespace {

bool Within(int value, int low, int high) {
    return value >= low && value <= high;
}

void CheckLimits(const TSkin& skin) {
    const int side = PackageLimits{}.side;
    if (!Within(skin.Width, 1, side) || !Within(skin.Height, 1, side) ||
        !Within(skin.AreaWidth, 1, side) || !Within(skin.AreaHeight, 1, side) ||
        !Within(skin.AreaX, -side, side) || !Within(skin.AreaY, -side, side)) {
        FuzzFailure("a loaded skin lies outside the limits");
    }
    for (const auto& layer : skin.Layers) {
        if (!Within(layer->X, -side, side) || !Within(layer->Y, -side, side)) {
            FuzzFailure("a loaded layer lies outside the limits");
        }
    }
    for (QChar c : skin.Name) {
        if (c.category() == QChar::Other_Control) {
            FuzzFailure("a skin name holds a control character");
        }
    }
}

}  // namespace

void LoadAndCompose(const QString& path, bool rotate) {
    ClearTempFolder();
    QString name;
    bool named = false;
    try {
        name = ReadSkinName(path);
        named = true;
    } catch (const std::exception&) {
    }
    std::unique_ptr<TSkin> skin;
    try {
        skin = LoadSkin(path);
    } catch (const std::exception&) {
        return;
    }
    if (!named || name != skin->Name) {
        FuzzFailure("the catalogue and the load read different names");
    }
    CheckLimits(*skin);
    TSettings settings;
    settings.modefile = true;
    settings.rotate = rotate;
    const QImage canvas =
        DrawFrameCanvas(*skin, ProgramFolder + QStringLiteral("sample.jpg"), settings, 0.5, 12.5);
    if (canvas.isNull() || canvas.width() != canvas.height()) {
        FuzzFailure("no canvas for a loaded skin");
    }
}
