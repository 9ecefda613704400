#include "TranslationsUnit.h"

#include "core/GlobalsUnit.h"
#include "core/KeyValueLines.h"
#include "core/SettingsUnit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The built-in English texts, in the locale-file form; "\n" is the two-character break.
const QStringList DefaultTable = {
    u"1=Tallowquince Options..."_s,
    u"2=About..."_s,
    u"3=About"_s,
    u"4=Close Tallowquince"_s,
    u"5=OK"_s,
    u"6=Options"_s,
    u"8=Cancel"_s,
    u"9=Close"_s,
    u"10=Version"_s,
    u"15=Fix Position"_s,
    u"101= Interface Language "_s,
    u"102=Please take part in Tallowquince localization."_s,
    u"103=Visit our translation page here."_s,
    u"104=Skin"_s,
    u"105=Load On Windows Startup"_s,
    u"106=Rotate Frame"_s,
    u"107=Zoom"_s,
    u"108=X Offset"_s,
    u"109=Y Offset"_s,
    u"110= Photo "_s,
    u"111=Single File:"_s,
    u"112=Force 'Stay On Top' of other Windows"_s,
    u"113=File Name"_s,
    u"114=Folder"_s,
    u"115=Folder Content:"_s,
    u"116=Include Sub Folders"_s,
    u"117=Skip Disproportional Images"_s,
    u"118=Select Folder to Use as Photos Source"_s,
    u"119=Show Photos in Random Order"_s,
    u"120=Photo Change Interval (minutes)"_s,
    u"150=Check For Updates Automatically"_s,
    u"200=There are not images in Selected Folder:\\n"_s,
    u"301=Next Photo"_s,
    u"302=Previous Photo"_s,
    u"303=Locked"_s,
    u"304=Click Through"_s,
    u"305=Stay On Top"_s,
    u"398=Click Through is not available on this desktop: it has no notification area (system tray).\\nWhile clicks pass through the photo frame, its tray icon is the only way to reach it."_s,
    u"399=Enabling Click Through option completely removes possibility to control photo frame using Mouse and Keyboard.\\nThe only possibly way access the photo frame to switch off Click Through is to use Tray Icon.\\nClick Through also switches off Hover Transparency.\\n\\nAre you sure you want to activate Click Through option?"_s,
    u"406=Transparency"_s,
    u"407=Hover Transparency"_s,
    u"412=Get More Skins..."_s,
    u"800=A newer version of Tallowquince is available to download.\\nWould you like to download it now? New Version: "_s,
    u"801=There are no Tallowquince updates available."_s,
    u"802=Whats new:"_s,
    u"940=No Skins available.\\nPlease download and install Skins in order to use Tallowquince."_s,
    u"2000=Tallowquince is already running!"_s,
};

std::unique_ptr<TTranslation> loadedTranslation;  // owned when it is not the default
const TTranslation* currentTranslation = nullptr;
QStringList localeList;

QString FromWindows1252(const QByteArray& bytes) {
    // 0x80 to 0x9F; the five unassigned codes keep their Latin-1 meaning.
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QString NameOf(const QString& line) {
    return line.left(line.indexOf(u'='));
}
QString DisplayNameOf(const QString& line) {
    return line.mid(line.indexOf(u'=') + 1);
}

}  // namespace

QString DecodeLocaleText(const QByteArray& bytes) {
    QString text;
    const auto u8 = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && u8(0) == 0xFF && u8(1) == 0xFE) {
        const QByteArray body = bytes.mid(2, (bytes.size() - 2) / 2 * 2);
        text = QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless)(body);
    } else if (bytes.size() >= 2 && u8(0) == 0xFE && u8(1) == 0xFF) {
        const QByteArray body = bytes.mid(2, (bytes.size() - 2) / 2 * 2);
        text = QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless)(body);
    } else if (bytes.size() >= 3 && u8(0) == 0xEF && u8(1) == 0xBB && u8(2) == 0xBF) {
        text = QString::fromUtf8(bytes.mid(3));
    } else {
        // The system's 8-bit encoding. Where that is UTF-8 (Linux), bytes that are not UTF-8
        // come from a Windows code page: read as the Western one, so that none is lost.
        QStringDecoder system(QStringConverter::System, QStringConverter::Flag::Stateless);
        text = system(bytes);
        if (system.hasError()) {
            text = FromWindows1252(bytes);
        }
    }
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        text.truncate(nul);
    }
    return text;
}

TTranslation::TTranslation(const QString& fileName) {
    QFile file(LocalesFolder + fileName);
    const bool readable = QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly);
    QByteArray bytes;
    if (readable) {
        bytes = file.readAll();
    }
    if (!readable || file.error() != QFileDevice::NoError) {
        Settings.locale = DefaultLocaleName;
        Lines = DefaultTable;
        return;
    }
    Lines = SplitLines(DecodeLocaleText(bytes));
}

QString TTranslation::Lookup(const QString& key) const {
    QString text = ValueOfKey(Lines, key);
    if (!text.isEmpty()) {
        if (TranslatorDebug) {
            text = key + u':' + text;
        }
    } else if (this != &DefaultTranslation()) {
        text = DefaultTranslation().Lookup(key);
        if (TranslatorDebug) {
            text = u"ENU:"_s + text;
        }
    }
    return text.replace(u"\\n"_s, u"\r\n"_s);
}

QString TTranslation::GetText(int id) const {
    return Lookup(QString::number(id));
}

const TTranslation& DefaultTranslation() {
    static const TTranslation table = [] {
        TTranslation t;
        t.Lines = DefaultTable;
        return t;
    }();
    return table;
}

const TTranslation& CurrentTranslation() {
    return currentTranslation ? *currentTranslation : DefaultTranslation();
}

const QStringList& LocaleList() {
    return localeList;
}

QString GetText(int id) {
    return CurrentTranslation().GetText(id);
}

void SelectLocale(const QString& name) {
    currentTranslation = nullptr;
    loadedTranslation.reset();
    if (name == DefaultLocaleName) {
        return;
    }
    try {
        loadedTranslation = std::make_unique<TTranslation>(name);
        currentTranslation = loadedTranslation.get();
    } catch (const std::exception&) {
        Settings.locale = DefaultLocaleName;
    }
}

void ListLocales() {
    localeList = {DefaultLocaleName + u'=' + DefaultLocaleName};
    // Sorted by file name so that the list does not depend on the file system's order.
    const QFileInfoList entries =
        QDir(LocalesFolder)
            .entryInfoList({u"*.TQLocale"_s},
                           QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        QString display;
        try {
            display = TTranslation(name).Lookup(u"LOCALE_NAME"_s);
        } catch (const std::exception&) {
            display.clear();
        }
        if (display.isEmpty()) {
            display = name.left(name.lastIndexOf(u'.'));
        }
        if (display.isEmpty()) {
            continue;
        }
        const QString line = name + u'=' + display;
        auto existing = std::find_if(localeList.begin(), localeList.end(), [&](const QString& l) {
            return NameOf(l).compare(name, Qt::CaseInsensitive) == 0;
        });
        if (existing != localeList.end()) {
            *existing = line;
        } else {
            localeList << line;
        }
    }
    // An exchange sort, as the list has always been ordered; equal names may swap places.
    for (qsizetype i = 0; i + 1 < localeList.size(); ++i) {
        for (qsizetype j = i + 1; j < localeList.size(); ++j) {
            if (QString::localeAwareCompare(DisplayNameOf(localeList[i]),
                                            DisplayNameOf(localeList[j])) > 0) {
                localeList.swapItemsAt(i, j);
            }
        }
    }
}
