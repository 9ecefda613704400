#include "GlobalsUnit.h"

#include "Messages.h"
#include "SettingsUnit.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <stdexcept>

QString ProgramFolder;
QString ShippedDataFolder;
QString CommonDataFolder;
QString UserDataFolder;
QString LocalesFolder;
QString SkinsFolder;
QString TempFolder;
QString SettingsFile;
bool PortableMode = false;
bool TranslatorDebug = false;

namespace {

const QString kSeparator = QString(QLatin1Char(platform::kSeparator));

std::string Native(const QString& text) {
    return text.toStdString();
}
QString FromNative(const std::string& text) {
    return QString::fromStdString(text);
}

QString DataRoot(const platform::DataRootSource& source) {
    const QString primary = FromNative(source.primary);
    if (platform::DirectoryExists(source.primary)) {
        return primary;
    }
    return ExpandLeadingVariable(FromNative(source.fallback));
}

void CreateFolder(const QString& folder) {
    if (folder.isEmpty()) {
        throw std::runtime_error("Unable to create directory");
    }
    platform::CreateFolderWithParents(Native(folder), nullptr);
}

// Packages shipped beside the program go into an empty data folder, as an installer would
// have put them there. Silent: without them the program still starts.
void CopyShippedPackages(const QString& from, const QString& to, const QString& extension) {
    if (to.isEmpty() || !ListPackageFiles(to, extension).isEmpty()) {
        return;
    }
    for (const QString& file : ListPackageFiles(from, extension)) {
        platform::ReplaceFileWithCopy(Native(from + file), Native(to + file), nullptr);
    }
}

}  // namespace

Switches ReadSwitches(const QStringList& arguments) {
    Switches switches;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString upper = AsciiUpper(arguments[i]);
        if (upper == u"/TRDEBUG" || upper == u"--TRDEBUG") {
            switches.translatorDebug = true;
        } else if (upper == u"/PORTABLE" || upper == u"--PORTABLE") {
            switches.portable = true;
        }
    }
    return switches;
}

DataFolders DeriveDataFolders(const QString& programFile, bool portable) {
    DataFolders folders;
    folders.program =
        WithTrailingBackslash(QDir::toNativeSeparators(QFileInfo(programFile).absolutePath()));
    // An installed program finds its files relative to itself, so any prefix works.
    const QString installed =
        QDir::cleanPath(folders.program + QStringLiteral(TQ_SHIPPED_DATA_FROM_PROGRAM));
    folders.shipped = QFileInfo(installed).isDir()
                          ? WithTrailingBackslash(QDir::toNativeSeparators(installed))
                          : folders.program;
    if (portable) {
        folders.common = folders.program;
        folders.user = folders.program;
    } else {
        const QString name = QStringLiteral("Tallowquince") + kSeparator;
        folders.common = WithTrailingBackslash(DataRoot(platform::CommonDataRootSource())) + name;
        folders.user = WithTrailingBackslash(DataRoot(platform::UserDataRootSource())) + name;
    }
    folders.locales = folders.common + QStringLiteral("Locales") + kSeparator;
    folders.skins = folders.common + QStringLiteral("Skins") + kSeparator;
    folders.settingsFile = folders.user + QStringLiteral("Tallowquince.TQSettings");
    return folders;
}

void CreateDataFolders(const QStringList& folders) {
    try {
        for (const QString& folder : folders) {
            CreateFolder(folder);
        }
    } catch (const std::exception& e) {
        ShowMessage(MessageKind::Error,
                    QStringLiteral("Error creating folder: ") + QString::fromUtf8(e.what()));
    }
}

void SetUpGlobals(const QStringList& arguments) {
    const Switches switches = ReadSwitches(arguments);
    TranslatorDebug = switches.translatorDebug;
    PortableMode = switches.portable;

    const QString programFile = FromNative(platform::ProgramFilePath());
    const DataFolders folders = DeriveDataFolders(
        programFile.isEmpty() && !arguments.isEmpty() ? arguments[0] : programFile, PortableMode);
    ProgramFolder = folders.program;
    ShippedDataFolder = folders.shipped;
    CommonDataFolder = folders.common;
    UserDataFolder = folders.user;
    LocalesFolder = folders.locales;
    SkinsFolder = folders.skins;
    CreateDataFolders({CommonDataFolder, UserDataFolder, LocalesFolder, SkinsFolder});

    // Unique and private: the system's temporary folder is shared between users.
    TempFolder = FromNative(platform::CreatePrivateFolder(platform::TempFolderPath(), "TQTemp-"));

    SettingsFile = folders.settingsFile;
    Settings.locale = DefaultLocaleName;
    Settings.folder = ShippedDataFolder;
}

QString SamplePhotoFile() {
    return ShippedDataFolder + QStringLiteral("sample.jpg");
}

bool PortableFolderUsable() {
    if (!PortableMode) {
        return true;
    }
    // A real write, since permissions alone do not tell about read-only media.
    QTemporaryFile probe(ProgramFolder + QStringLiteral("TQWriteTest-XXXXXX"));
    if (probe.open()) {
        return true;
    }
    ShowMessage(MessageKind::Error,
                QStringLiteral("Tallowquince\r\nPortable mode keeps the settings, skins and "
                               "locales in the program's folder, and this folder cannot be "
                               "written:\r\n") +
                    ProgramFolder +
                    QStringLiteral("\r\n\r\nCopy the program to a folder you can write, or "
                                   "start it without /PORTABLE."));
    return false;
}

bool InstallPackage(const QStringList& arguments) {
    if (arguments.size() < 2) {
        return false;
    }
    const QString& package = arguments[1];
    const QFileInfo info(package);
    if (!info.isFile()) {
        return false;
    }
    const PackageKind kind = PackageKindOf(info.fileName());
    if (kind == PackageKind::None) {
        return false;
    }
    InstallPackageFile(package, kind, true);
    return true;
}

PackageKind PackageKindOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString extension = dot >= 0 ? AsciiUpper(fileName.mid(dot)) : QString();
    if (extension == u".TQLOCALE") {
        return PackageKind::Locale;
    }
    if (extension == u".TQSKIN") {
        return PackageKind::Skin;
    }
    return PackageKind::None;
}

QString InstallPackageFile(const QString& package, PackageKind kind, bool reportSuccess) {
    const bool skin = kind == PackageKind::Skin;
    const QString destination = skin ? SkinsFolder : LocalesFolder;
    const QString name = QFileInfo(package).fileName();
    std::string error;
    if (!platform::ReplaceFileWithCopy(Native(package), Native(destination + name), &error)) {
        ShowMessage(MessageKind::Error,
                    QStringLiteral("Tallowquince\r\nError Installing File: \r\n") + package +
                        QStringLiteral("\r\n\r\n") + QStringLiteral("Destination folder: ") +
                        destination + QStringLiteral("\r\n\r\n") + QStringLiteral("Error: ") +
                        QStringLiteral("\r\n") + FromNative(error) + QStringLiteral("!"));
        return {};
    }
    if (reportSuccess) {
        ShowMessage(
            MessageKind::Information,
            QStringLiteral("Tallowquince\r\n%1 Installed OK!\r\n\r\nFile: %2\r\nTo folder: %3")
                .arg(skin ? QStringLiteral("Skin") : QStringLiteral("Locale"), name, destination));
    }
    return destination + name;
}

void InstallShippedPackages() {
    CopyShippedPackages(ShippedDataFolder + QStringLiteral("Skins") + kSeparator, SkinsFolder,
                        QStringLiteral(".TQSkin"));
    CopyShippedPackages(ShippedDataFolder + QStringLiteral("Locales") + kSeparator, LocalesFolder,
                        QStringLiteral(".TQLocale"));
}

QString AsciiUpper(const QString& text) {
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - 32);
        }
    }
    return upper;
}

QStringList ListPackageFiles(const QString& folder, const QString& extension) {
    if (folder.isEmpty()) {
        return {};
    }
    const QString wanted = AsciiUpper(extension);
    QStringList files;
    // System entries too (Windows attributes); isFile() then drops what is not a regular
    // file, such as a FIFO that would block the reader.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.isFile() && AsciiUpper(entry.fileName()).endsWith(wanted)) {
            files << entry.fileName();
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

QString WithTrailingBackslash(const QString& path) {
    if (path.endsWith(kSeparator)) {
        return path;
    }
    return path + kSeparator;
}

QString ExpandLeadingVariable(const QString& text) {
    const qsizetype p = text.indexOf(u'%', 1);
    if (p < 0) {
        return text;
    }
    const QString name = text.mid(1, p - 1);
    return qEnvironmentVariable(name.toLocal8Bit().constData()) + text.mid(p + 1);
}

void DeleteFolderTree(const QString& folder) {
    if (!folder.isEmpty()) {
        platform::DeleteFolderTree(Native(WithTrailingBackslash(folder)));
    }
}

void TrimWorkingSet() {
    platform::TrimWorkingSet();
}

int ShiftStateNow() {
    const platform::ShiftState state = platform::ShiftStateNow();
    return (state.shift ? ssShift : 0) | (state.alt ? ssAlt : 0) | (state.ctrl ? ssCtrl : 0);
}

char PhotoOrientation(double ratio) {
    return ratio >= 1.0 ? 'H' : 'V';
}

void IgnoreException(QObject*, const std::exception*) {}
