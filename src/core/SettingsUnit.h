#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <optional>

// The user's settings: the in-memory values, the settings file that keeps them between
// runs, and the autostart switch.

inline const QString DefaultLocaleName = QStringLiteral("English (American) DEFAULT");

struct TSettings {
    QString locale = DefaultLocaleName;
    quint8 transparency = 255;
    quint8 hovertransparency = 255;
    bool rotate = false;
    quint8 zoom = 0;
    qint32 optDX = 0;
    qint32 optDY = 0;
    QString file;
    QString folder;
    bool modefile = true;
    bool skip = true;
    bool subfolders = true;
    bool random = true;
    bool autoupdate = true;
    bool locked = false;
    bool clickthrough = false;
    quint8 changeinterval = 1;  // minutes; not stored
};

// Read and written on the user-interface thread only.
extern TSettings Settings;

// The ranges the options dialog offers. LoadSettings brings a hand-edited value into them.
inline constexpr int MinTransparency = 15;  // both transparencies, up to 255
inline constexpr int MaxZoom = 60;          // from 0
inline constexpr int MaxPhotoOffset = 100;  // optDX and optDY, from -100

// What the settings store needs of the frame window: the settings it holds itself.
class FrameSettings {
public:
    virtual ~FrameSettings() = default;

    // Makes the named skin current (the catalogue's first skin for an unknown or empty
    // name). Throws std::exception when the skin cannot be loaded.
    virtual void SetSkinByName(const QString& name) = 0;
    // Name of the current skin; empty without one.
    virtual QString GetSkinName() const = 0;
    virtual double GetScale() const = 0;
    virtual void SetScale(double scale) = 0;
    virtual double GetAngle() const = 0;
    virtual void SetAngle(double angle) = 0;
    virtual bool GetStayOnTop() const = 0;
    virtual void SetStayOnTop(bool stayOnTop) = 0;
    virtual QPoint GetFramePosition() const = 0;
    virtual void SetFramePosition(int x, int y) = 0;
};

// Makes the named translation current; the localisation installs it.
using LocaleSelector = void (*)(const QString& name);
void SetLocaleSelector(LocaleSelector selector);

void LoadSettings(FrameSettings& frame);
// A value holding a line break or NUL is left out, like an empty one: it would add lines.
void SaveSettings(const FrameSettings& frame);
// What SaveSettings writes, and the atomic write of such a text to SettingsFile.
QByteArray SettingsFileText(const FrameSettings& frame);
bool WriteSettingsFile(const QByteArray& text);

// The settings file keeps one value a line, so a path with a line break cannot be kept:
// refused with a message that says so.
bool SavablePath(const QString& path);

bool TextToBool(const QString& text);
QString BoolToText(bool value);

// The settings file's integers: leading blanks, one sign, "$", "x" or "0x" for hexadecimal,
// digits up to the end of the text, within the signed range of `bits` (32 or 64).
std::optional<qint64> ParseSettingsInteger(const QString& text, int bits = 32);

// Autostart at log-in; both report a failure in an error box.
bool GetAutostart();
void SetAutostart(bool enable);
