#pragma once

#include <QString>
#include <QStringList>

#include <exception>

class QObject;

// Start-up state shared by the whole program: switches, data folders, the per-run
// temporary folder, and the small path and system operations several parts use.

inline const QString ApplicationTitle = QStringLiteral("Tallowquince");
inline const QString InstanceMutexName = QStringLiteral("Tallowquince_MUTEX_UID_F34SU6G2MFK39DWO3");

// Set once during start-up, read-only afterwards. Folder texts end in the separator.
extern QString ProgramFolder;
// What ships with the program (the sample photo, Skins/, Locales/): the program folder, or in
// an installed layout the program's share folder (<prefix>/share/tallowquince/ beside
// <prefix>/bin/), which is read-only.
extern QString ShippedDataFolder;
extern QString CommonDataFolder;
extern QString UserDataFolder;
extern QString LocalesFolder;
extern QString SkinsFolder;
extern QString TempFolder;
extern QString SettingsFile;
extern bool PortableMode;
extern bool TranslatorDebug;

struct Switches {
    bool portable = false;
    bool translatorDebug = false;
};
// Arguments from index 1 on, compared whole and without regard to letter case.
Switches ReadSwitches(const QStringList& arguments);

struct DataFolders {
    QString program;
    QString shipped;
    QString common;
    QString user;
    QString locales;
    QString skins;
    QString settingsFile;
};
// Derives the data folders from the program file's path and the platform's data roots.
DataFolders DeriveDataFolders(const QString& programFile, bool portable);

// The sample photo, shown when no other photo is set.
QString SamplePhotoFile();

// Creates each folder with its parents, in order; a folder that cannot be created is
// passed over. An empty path is reported ("Error creating folder: ...") and ends the list.
void CreateDataFolders(const QStringList& folders);

// The global set-up of a run: switches, data folders (created), the private temporary
// folder, the settings file and the two settings that depend on them.
void SetUpGlobals(const QStringList& arguments);

// Installs the package file named by arguments[1] into the skins or locales folder and
// reports the outcome. Returns true when the process should now end (exit code 0); false
// when arguments[1] is not an existing file or not a package, and the normal start follows.
bool InstallPackage(const QStringList& arguments);

enum class PackageKind { None, Locale, Skin };
// What a file name's extension (".TQLocale", ".TQSkin", ASCII letter case ignored) names.
PackageKind PackageKindOf(const QString& fileName);
// Copies a package into its folder, replacing a file of the same name. A failure shows the
// error box of the command line's installation and gives an empty text; success gives the
// installed path, after the command line's success box when `reportSuccess`.
QString InstallPackageFile(const QString& package, PackageKind kind, bool reportSuccess);

// In portable mode every data folder is the program folder, so the user must be able to
// write there. When not (an installed program, a read-only medium), says so and returns
// false: the run must end.
bool PortableFolderUsable();

// Fills an empty SkinsFolder with the ".TQSkin" packages of ShippedDataFolder's "Skins"
// folder and an empty LocalesFolder with the ".TQLocale" files of its "Locales" folder, as
// an installer would have. Silent on failure.
void InstallShippedPackages();

// Shared operations.
// Upper-cases ASCII letters only, as file-name and switch comparisons want it.
QString AsciiUpper(const QString& text);
// Names of the regular files in `folder` whose names end in `extension` (ASCII letter case
// ignored), sorted ordinally. A missing or unreadable folder gives none.
QStringList ListPackageFiles(const QString& folder, const QString& extension);
QString WithTrailingBackslash(const QString& path);
QString ExpandLeadingVariable(const QString& text);
void DeleteFolderTree(const QString& folder);
void TrimWorkingSet();

enum ShiftKey { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
int ShiftStateNow();

// 'H' for a width / height ratio of at least 1, else 'V'.
char PhotoOrientation(double ratio);

// The application-wide handler for exceptions that reach the event loop: drops them.
void IgnoreException(QObject* sender, const std::exception* exception);
