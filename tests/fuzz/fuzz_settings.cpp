// The settings reader on any file: every value comes out within the ranges the program relies
// on, and what is saved loads back to the same values, with no line of its own added.

#include "FuzzSupport.h"
#include "core/GlobalsUnit.h"
#include "core/SettingsUnit.h"

#include <QFile>
#include <QPoint>

#include <cmath>

namespace {

// The frame's part of the settings, kept as it is set.
class RecordingFrame : public FrameSettings {
public:
    void SetSkinByName(const QString& name) override { skin = name; }
    QString GetSkinName() const override { return skin; }
    double GetScale() const override { return scale; }
    void SetScale(double value) override { scale = value; }
    double GetAngle() const override { return angle; }
    void SetAngle(double value) override { angle = value; }
    bool GetStayOnTop() const override { return stayOnTop; }
    void SetStayOnTop(bool on) override { stayOnTop = on; }
    QPoint GetFramePosition() const override { return position; }
    void SetFramePosition(int x, int y) override { position = {x, y}; }

    QString skin;
    double scale = 0.5;
    double angle = 0;
    bool stayOnTop = true;
    QPoint position{200, 200};
};

struct Loaded {
    TSettings settings;
    RecordingFrame frame;
};

Loaded Load() {
    Settings = TSettings{};
    Settings.folder = ProgramFolder;
    Loaded loaded;
    LoadSettings(loaded.frame);
    loaded.settings = Settings;
    const TSettings& s = Settings;
    if (s.transparency < MinTransparency || s.hovertransparency < MinTransparency ||
        s.zoom > MaxZoom || std::abs(s.optDX) > MaxPhotoOffset ||
        std::abs(s.optDY) > MaxPhotoOffset) {
        FuzzFailure("a loaded value lies outside the dialog's range");
    }
    return loaded;
}

bool Close(double a, double b) {
    return a == b || std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

bool Same(const Loaded& a, const Loaded& b) {
    const TSettings& x = a.settings;
    const TSettings& y = b.settings;
    return x.locale == y.locale && x.transparency == y.transparency &&
           x.hovertransparency == y.hovertransparency && x.rotate == y.rotate && x.zoom == y.zoom &&
           x.optDX == y.optDX && x.optDY == y.optDY && x.file == y.file && x.folder == y.folder &&
           x.modefile == y.modefile && x.skip == y.skip && x.subfolders == y.subfolders &&
           x.random == y.random && x.autoupdate == y.autoupdate && x.locked == y.locked &&
           x.clickthrough == y.clickthrough && a.frame.skin == b.frame.skin &&
           Close(a.frame.scale, b.frame.scale) && Close(a.frame.angle, b.frame.angle) &&
           a.frame.stayOnTop == b.frame.stayOnTop && a.frame.position == b.frame.position;
}

// Saves what was loaded and checks that every saved line is one key=value pair.
void SaveChecked(const Loaded& loaded) {
    SaveSettings(loaded.frame);
    QFile file(SettingsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        FuzzFailure("the settings were not saved");
    }
    const QByteArray saved = file.readAll();
    if (saved.count('\r') != saved.count("\r\n") || saved.count('\n') != saved.count("\r\n") ||
        saved.contains('\0')) {
        FuzzFailure("a saved value breaks a line");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    SetUpFuzzing(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Bytes(data, size);
    for (int bits : {32, 64}) {
        ParseSettingsInteger(QString::fromLatin1(bytes), bits);
    }
    WriteScratchFile(SettingsFile, bytes);
    SaveChecked(Load());
    // The first save writes the numbers as the file can hold them; from then on, saving and
    // loading changes nothing.
    const Loaded saved = Load();
    SaveChecked(saved);
    if (!Same(saved, Load())) {
        FuzzFailure("the saved settings load to other values");
    }
    return 0;
}
