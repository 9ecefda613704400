#pragma once

#include <QMap>
#include <QString>

#include <cstdint>
#include <optional>

// A four-part version number, Major.Minor.Release.Build, each part 16 bits.
struct VersionNumber {
    quint16 Major = 0;
    quint16 Minor = 0;
    quint16 Release = 0;
    quint16 Build = 0;

    // The two 32-bit words of a version resource: Major:Minor and Release:Build.
    quint32 MostSignificant() const { return (quint32(Major) << 16) | Minor; }
    quint32 LeastSignificant() const { return (quint32(Release) << 16) | Build; }
    static VersionNumber FromWords(quint32 ms, quint32 ls);

    friend bool operator==(const VersionNumber&, const VersionNumber&) = default;
};

// The parts of a version resource the program reads: fixed file version, first translation
// and its string table.
struct VersionResource {
    VersionNumber fileVersion;
    quint16 language = 0;
    quint16 codePage = 0;
    QMap<QString, QString> strings;
};

// The version resource this build was made with (values set once, in CMake).
VersionResource BuildVersionResource();

// Read-only view of a program file's version resource.
class TVersionInfo {
public:
    // Reads the resource of `filePath`; on this platform the running program's resource is
    // the one compiled in, so `resource` defaults to it.
    explicit TVersionInfo(const QString& filePath,
                          std::optional<VersionResource> resource = BuildVersionResource());

    QString TranslationCode() const;
    const VersionResource* FixedInfo() const;
    // 0.0.0.0 when the file has no resource.
    VersionNumber FileVersion() const;
    QString StringValue(const QString& key) const;
    QString BuildText() const;

    static QString ProgramFilePath();

    const QString FilePath;
    const bool DataValid;

private:
    std::optional<VersionResource> data;
};

// The running program's version information, read once at start-up.
const TVersionInfo& VersionInfo();

QString FormatVersion(const VersionNumber& v);
QString FormatBuildVersion(const VersionNumber& v);
// Parts are separated by "." or ","; an empty or missing part reads 0. Throws
// std::runtime_error for a part that is not a decimal number.
VersionNumber ParseVersion(const QString& text);
int CompareVersions(const VersionNumber& a, const VersionNumber& b);
