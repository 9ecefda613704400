#include "SettingsUnit.h"

#include "GlobalsUnit.h"
#include "Messages.h"
#include "platform/Platform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

TSettings Settings;

namespace {

LocaleSelector localeSelector = nullptr;

constexpr double kFixedPointFactor = 10000000.0;

// The file's name=value lines, matched as the settings file defines it.
class SettingsLines {
public:
    explicit SettingsLines(const QString& text) {
        qsizetype start = 0;
        const qsizetype n = text.size();
        while (start < n) {
            qsizetype end = start;
            while (end < n && text[end] != u'\r' && text[end] != u'\n') {
                ++end;
            }
            lines.push_back(text.mid(start, end - start));
            if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') {
                ++end;
            }
            start = end + 1;
        }
    }

    bool isEmpty() const { return lines.empty(); }

    // The value of the first line whose key matches without regard to letter case.
    QString value(const QString& key) const {
        for (const QString& line : lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq >= 0 && QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0) {
                return line.mid(eq + 1);
            }
        }
        return {};
    }

private:
    std::vector<QString> lines;
};

struct BadNumber : std::runtime_error {
    using std::runtime_error::runtime_error;
};

qint64 Number(const SettingsLines& lines, const char* key, int bits = 32) {
    const QString text = lines.value(QString::fromLatin1(key));
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
    return QString::number(static_cast<qint64>(std::llround(value * kFixedPointFactor)));
}

}  // namespace

void SetLocaleSelector(LocaleSelector selector) {
    localeSelector = selector;
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
    const SettingsLines lines(text);

    if (!lines.isEmpty()) {
        // One unit: the first failure ends it, later keys keep the values they had.
        try {
            frame.SetSkinByName(lines.value(QStringLiteral("skin")));

            Settings.locale = lines.value(QStringLiteral("locale"));
            if (localeSelector) {
                localeSelector(Settings.locale);
            }

            Settings.rotate = TextToBool(lines.value(QStringLiteral("rotate")));
            frame.SetStayOnTop(TextToBool(lines.value(QStringLiteral("stayontop"))));

            Settings.transparency = LowByte(Number(lines, "transparency"));
            Settings.hovertransparency = LowByte(Number(lines, "hovertransparency"));

            // Written as 64-bit values: an angle beyond 214.7 degrees must read back.
            frame.SetScale(double(Number(lines, "scale", 64)) / kFixedPointFactor);
            frame.SetAngle(double(Number(lines, "angle", 64)) / kFixedPointFactor);

            Settings.zoom = LowByte(Number(lines, "zoom"));
            Settings.optDX = static_cast<qint32>(Number(lines, "optDX"));
            Settings.optDY = static_cast<qint32>(Number(lines, "optDY"));

            Settings.file = lines.value(QStringLiteral("file"));
            // An empty value stays empty (and falls back below) instead of naming the root.
            const QString folder = lines.value(QStringLiteral("folder"));
            Settings.folder = folder.isEmpty() ? QString() : WithTrailingBackslash(folder);

            Settings.modefile = TextToBool(lines.value(QStringLiteral("modefile")));
            Settings.skip = TextToBool(lines.value(QStringLiteral("skip")));
            Settings.subfolders = TextToBool(lines.value(QStringLiteral("subfolders")));
            Settings.random = TextToBool(lines.value(QStringLiteral("random")));
            Settings.autoupdate = TextToBool(lines.value(QStringLiteral("autoupdate")));

            // A missing key would read as true: only a present value counts.
            const QString locked = lines.value(QStringLiteral("locked"));
            if (!locked.isEmpty()) {
                Settings.locked = TextToBool(locked);
            }
            const QString clickthrough = lines.value(QStringLiteral("clickthrough"));
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
        Settings.file = ProgramFolder + QStringLiteral("sample.jpg");
    }
    if (Settings.folder.isEmpty() || !QFileInfo(Settings.folder).isDir()) {
        Settings.folder = ProgramFolder;
    }
}

void SaveSettings(const FrameSettings& frame) {
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
    QString text;
    for (const auto& [key, value] : entries) {
        if (!value.isEmpty()) {
            text += QLatin1String(key) + u'=' + value + QStringLiteral("\r\n");
        }
    }
    // Atomic: a crash while saving leaves the previous file as it was.
    QSaveFile out(SettingsFile);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(text.toLocal8Bit());
        out.commit();
    }
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
