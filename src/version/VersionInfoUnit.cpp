#include "VersionInfoUnit.h"

#include "platform/Platform.h"
#include "version/BuildVersion.h"

#include <limits>
#include <stdexcept>

namespace {

constexpr int kMaxKeyLength = 230;

qint64 ParseDecimalPart(const QString& part) {
    qsizetype i = 0;
    bool negative = false;
    if (i < part.size() && (part[i] == u'+' || part[i] == u'-')) {
        negative = part[i] == u'-';
        ++i;
    }
    if (i == part.size()) {
        throw std::runtime_error("'" + part.toStdString() + "' is not a valid integer value");
    }
    qint64 value = 0;
    for (; i < part.size(); ++i) {
        const QChar c = part[i];
        if (c < u'0' || c > u'9') {
            throw std::runtime_error("'" + part.toStdString() + "' is not a valid integer value");
        }
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1) {
            throw std::runtime_error("'" + part.toStdString() + "' is not a valid integer value");
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<qint32>::max()) {
        throw std::runtime_error("'" + part.toStdString() + "' is not a valid integer value");
    }
    return value;
}

}  // namespace

VersionNumber VersionNumber::FromWords(quint32 ms, quint32 ls) {
    return {quint16(ms >> 16), quint16(ms & 0xFFFF), quint16(ls >> 16), quint16(ls & 0xFFFF)};
}

VersionResource BuildVersionResource() {
    VersionResource r;
    r.fileVersion = {TQ_FILE_VERSION_MAJOR, TQ_FILE_VERSION_MINOR, TQ_FILE_VERSION_RELEASE,
                     TQ_FILE_VERSION_BUILD};
    const QString code = QStringLiteral(TQ_TRANSLATION_CODE);
    r.language = quint16(code.left(4).toUInt(nullptr, 16));
    r.codePage = quint16(code.mid(4, 4).toUInt(nullptr, 16));
    r.strings = {
        {QStringLiteral("FileDate"), QStringLiteral(TQ_FILE_DATE)},
        {QStringLiteral("FileVersion"), QStringLiteral(TQ_FILE_VERSION_TEXT)},
        {QStringLiteral("ProductVersion"), QStringLiteral(TQ_PRODUCT_VERSION_TEXT)},
        {QStringLiteral("ProductName"), QStringLiteral("Tallowquince")},
        {QStringLiteral("FileDescription"), QStringLiteral("Tallowquince desktop photo frame")},
        {QStringLiteral("InternalName"), QStringLiteral("tallowquince")},
        {QStringLiteral("CompanyName"), QStringLiteral(TQ_COMPANY_NAME)},
        {QStringLiteral("LegalCopyright"), QStringLiteral(TQ_LEGAL_COPYRIGHT)},
    };
    return r;
}

TVersionInfo::TVersionInfo(const QString& filePath, std::optional<VersionResource> resource)
    : FilePath(filePath), DataValid(resource.has_value()), data(std::move(resource)) {}

QString TVersionInfo::TranslationCode() const {
    if (!data) {
        return {};
    }
    return QStringLiteral("%1%2")
        .arg(data->language, 4, 16, QLatin1Char('0'))
        .arg(data->codePage, 4, 16, QLatin1Char('0'))
        .toUpper();
}

const VersionResource* TVersionInfo::FixedInfo() const {
    return data ? &*data : nullptr;
}

VersionNumber TVersionInfo::FileVersion() const {
    return data ? data->fileVersion : VersionNumber{};
}

QString TVersionInfo::StringValue(const QString& key) const {
    if (!data || key.size() > kMaxKeyLength) {
        return {};
    }
    return data->strings.value(key);
}

QString TVersionInfo::BuildText() const {
    return FormatBuildVersion(FileVersion());
}

QString TVersionInfo::ProgramFilePath() {
    return QString::fromStdString(platform::ProgramFilePath());
}

const TVersionInfo& VersionInfo() {
    static const TVersionInfo info(TVersionInfo::ProgramFilePath());
    return info;
}

QString FormatVersion(const VersionNumber& v) {
    return QStringLiteral("%1.%2.%3.%4").arg(v.Major).arg(v.Minor).arg(v.Release).arg(v.Build);
}

QString FormatBuildVersion(const VersionNumber& v) {
    return QStringLiteral("%1.%2.%3 (Build %4)")
        .arg(v.Major)
        .arg(v.Minor)
        .arg(v.Release)
        .arg(v.Build);
}

VersionNumber ParseVersion(const QString& text) {
    QString rest = text;
    bool exhausted = false;
    quint16 parts[4] = {};
    for (quint16& part : parts) {
        if (exhausted) {
            break;  // a shorter text reads its missing parts as 0
        }
        qsizetype sep = rest.indexOf(u'.');
        if (sep < 0) {
            sep = rest.indexOf(u',');
        }
        QString piece;
        if (sep >= 0) {
            piece = rest.left(sep);
            rest = rest.mid(sep + 1);
        } else {
            piece = rest;
            exhausted = true;
        }
        part = piece.isEmpty() ? 0 : quint16(ParseDecimalPart(piece) & 0xFFFF);
    }
    return {parts[0], parts[1], parts[2], parts[3]};
}

int CompareVersions(const VersionNumber& a, const VersionNumber& b) {
    auto weight = [](const VersionNumber& v) {
        return qint64(v.Major) * 1000000000000LL + qint64(v.Minor) * 100000000LL +
               qint64(v.Release) * 10000LL + qint64(v.Build);
    };
    const qint64 x = weight(a);
    const qint64 y = weight(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}
