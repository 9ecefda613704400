#include "SettingsUnit.h"

#include "GlobalsUnit.h"
#include "KeyValueLines.h"
#include "Messages.h"
#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

TSettings Settings;

namespace {

LocaleSelector localeSelector = nullptr;

constexpr double kFixedPointFactor = 10000000.0;

struct BadNumber : std::runtime_error {
    using std::runtime_error::runtime_error;
};

qint64 Number(const QStringList& lines, const char* key, int bits = 32) {
    const QString text = ValueOfKey(lines, QString::fromLatin1(key));
    const std::optional<qint64> value = ParseSettingsInteger(text, bits);
    if (!value) {
        throw BadNumber("'" + text.toStdString() + "' is not a valid integer value");
    }
    return *value;
}

quint8 LowByte(qint64 value) {
    return static_cast<quint8>(value & 0xFF);
}

QString FixedPoint(double value) {
    // Saturated: beyond the 64-bit range the rounding gives no number, in practice the
    // lowest one, and a huge value would come back with the other sign.
    constexpr double limit = 9.2e18;
    return QString::number(
        static_cast<qint64>(std::llround(std::clamp(value * kFixedPointFactor, -limit, limit))));
}

}  // namespace

void SetLocaleSelector(LocaleSelector selector) {
    localeSelector = selector;
}

bool SavablePath(const QString& path) {
    if (!path.contains(u'\r') && !path.contains(u'\n')) {
        return true;
    }
    ShowMessage(MessageKind::Error,
                QStringLiteral("The path contains a line break, which the settings file cannot "
                               "hold. Please rename it or choose another one:\n") +
                    QString(path).replace(u'\r', u' ').replace(u'\n', u' '));
    return false;
}

bool TextToBool(const QString& text) {
    return text.toUpper() != QLatin1String("FALSE");
}

QString BoolToText(bool value) {
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

std::optional<qint64> ParseSettingsInteger(const QString& text, int bits) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < n && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n) {
        return std::nullopt;
    }
    const quint64 limit =
        bits >= 64 ? quint64(std::numeric_limits<qint64>::max()) + 1 : (quint64(1) << (bits - 1));
    quint64 magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        int value;
        if (c >= u'0' && c <= u'9') {
            value = c - u'0';
        } else if (base == 16 && c >= u'a' && c <= u'f') {
            value = c - u'a' + 10;
        } else if (base == 16 && c >= u'A' && c <= u'F') {
            value = c - u'A' + 10;
        } else {
            return std::nullopt;
        }
        if (magnitude > (limit - quint64(value)) / quint64(base)) {
            return std::nullopt;
        }
        magnitude = magnitude * quint64(base) + quint64(value);
    }
    if (!negative && magnitude > limit - 1) {
        return std::nullopt;
    }
    if (negative) {
        return -static_cast<qint64>(magnitude - 1) - 1;
    }
    return static_cast<qint64>(magnitude);
}

void LoadSettings(FrameSettings& frame) {
    QString text;
    QFile file(SettingsFile);
    if (file.open(QIODevice::ReadOnly)) {
        text = QString::fromLocal8Bit(file.readAll());
    }
    const QStringList lines = SplitLines(text);

    if (!lines.isEmpty()) {
        // One unit: the first failure ends it, later keys keep the values they had.
        try {
            frame.SetSkinByName(ValueOfKey(lines, QStringLiteral("skin")));

            Settings.locale = ValueOfKey(lines, QStringLiteral("locale"));
            if (localeSelector) {
                localeSelector(Settings.locale);
            }

            Settings.rotate = TextToBool(ValueOfKey(lines, QStringLiteral("rotate")));
            frame.SetStayOnTop(TextToBool(ValueOfKey(lines, QStringLiteral("stayontop"))));

            Settings.transparency =
                std::max<quint8>(LowByte(Number(lines, "transparency")), MinTransparency);
            Settings.hovertransparency =
                std::max<quint8>(LowByte(Number(lines, "hovertransparency")), MinTransparency);

            // Written as 64-bit values: an angle beyond 214.7 degrees must read back.
            frame.SetScale(double(Number(lines, "scale", 64)) / kFixedPointFactor);
            frame.SetAngle(double(Number(lines, "angle", 64)) / kFixedPointFactor);

            Settings.zoom = std::min<quint8>(LowByte(Number(lines, "zoom")), MaxZoom);
            Settings.optDX =
                qint32(std::clamp<qint64>(Number(lines, "optDX"), -MaxPhotoOffset, MaxPhotoOffset));
            Settings.optDY =
                qint32(std::clamp<qint64>(Number(lines, "optDY"), -MaxPhotoOffset, MaxPhotoOffset));

            Settings.file = ValueOfKey(lines, QStringLiteral("file"));
            // An empty value stays empty (and falls back below) instead of naming the root.
            const QString folder = ValueOfKey(lines, QStringLiteral("folder"));
            Settings.folder = folder.isEmpty() ? QString() : WithTrailingBackslash(folder);

            Settings.modefile = TextToBool(ValueOfKey(lines, QStringLiteral("modefile")));
            Settings.skip = TextToBool(ValueOfKey(lines, QStringLiteral("skip")));
            Settings.subfolders = TextToBool(ValueOfKey(lines, QStringLiteral("subfolders")));
            Settings.random = TextToBool(ValueOfKey(lines, QStringLiteral("random")));
            Settings.autoupdate = TextToBool(ValueOfKey(lines, QStringLiteral("autoupdate")));

            // A missing key would read as true: only a present value counts.
            const QString locked = ValueOfKey(lines, QStringLiteral("locked"));
            if (!locked.isEmpty()) {
                Settings.locked = TextToBool(locked);
            }
            const QString clickthrough = ValueOfKey(lines, QStringLiteral("clickthrough"));
            if (!clickthrough.isEmpty()) {
                Settings.clickthrough = TextToBool(clickthrough);
            }

            const qint64 y = Number(lines, "y");
            const qint64 x = Number(lines, "x");
            frame.SetFramePosition(static_cast<int>(x), static_cast<int>(y));
        } catch (const std::exception&) {
        }
    }

    if (Settings.file.isEmpty() || !QFileInfo(Settings.file).isFile()) {
        Settings.file = SamplePhotoFile();
    }
    if (Settings.folder.isEmpty() || !QFileInfo(Settings.folder).isDir()) {
        Settings.folder = ShippedDataFolder;
    }
}

QByteArray SettingsFileText(const FrameSettings& frame) {
    const QPoint position = frame.GetFramePosition();
    const std::pair<const char*, QString> entries[] = {
        {"locale", Settings.locale},
        {"skin", frame.GetSkinName()},
        {"scale", FixedPoint(frame.GetScale())},
        {"angle", FixedPoint(frame.GetAngle())},
        {"stayontop", BoolToText(frame.GetStayOnTop())},
        {"transparency", QString::number(Settings.transparency)},
        {"hovertransparency", QString::number(Settings.hovertransparency)},
        {"rotate", BoolToText(Settings.rotate)},
        {"x", QString::number(position.x())},
        {"y", QString::number(position.y())},
        {"zoom", QString::number(Settings.zoom)},
        {"optDX", QString::number(Settings.optDX)},
        {"optDY", QString::number(Settings.optDY)},
        {"file", Settings.file},
        {"folder", Settings.folder},
        {"modefile", BoolToText(Settings.modefile)},
        {"skip", BoolToText(Settings.skip)},
        {"subfolders", BoolToText(Settings.subfolders)},
        {"random", BoolToText(Settings.random)},
        {"autoupdate", BoolToText(Settings.autoupdate)},
        {"locked", BoolToText(Settings.locked)},
        {"clickthrough", BoolToText(Settings.clickthrough)},
    };
    const auto breaksLines = [](const QString& value) {
        return value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(u'\0'));
    };
    QString text;
    for (const auto& [key, value] : entries) {
        if (!value.isEmpty() && !breaksLines(value)) {
            text += QLatin1String(key) + u'=' + value + QStringLiteral("\r\n");
        }
    }
    return text.toLocal8Bit();
}

bool WriteSettingsFile(const QByteArray& text) {
    // Atomic: a crash while saving leaves the previous file as it was.
    QSaveFile out(SettingsFile);
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
}

void SaveSettings(const FrameSettings& frame) {
    WriteSettingsFile(SettingsFileText(frame));
}

bool GetAutostart() {
    const platform::AutostartState state = platform::ReadAutostart();
    if (!state.error.empty()) {
        ShowMessage(MessageKind::Error, QStringLiteral("Error getting autostart value: \r\n") +
                                            QString::fromStdString(state.error));
        return false;
    }
    return state.enabled;
}

void SetAutostart(bool enable) {
    const std::string error = platform::WriteAutostart(enable, platform::ProgramFilePath());
    if (!error.empty()) {
        ShowMessage(MessageKind::Error, QStringLiteral("Error setting autostart value: \r\n") +
                                            QString::fromStdString(error));
    }
}
