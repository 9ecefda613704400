#pragma once

// Operating-system services behind one small interface, so that each platform keeps its
// own implementation file and callers need no conditional code. Plain C++: no Qt here.
// Texts are UTF-8, so that no file name is lost to a narrow code page.

#include <optional>
#include <string>

namespace platform {

// The native folder separator, which every folder text ends in.
extern const char kSeparator;

// Full path of the running program's file.
std::string ProgramFilePath();

// Value of an environment variable; empty when it is not set.
std::string EnvironmentVariable(const std::string& name);

// Where the machine-wide ("common") and per-user data folders come from. `primary` is used
// when it names an existing directory; otherwise `fallback` after the expansion of one
// leading %NAME% reference. Neither has the program's own folder name appended.
struct DataRootSource {
    std::string primary;
    std::string fallback;
};
DataRootSource CommonDataRootSource();
DataRootSource UserDataRootSource();

// The system's temporary folder, ending in the separator.
std::string TempFolderPath();

// Creates a new folder that nobody else can read, named prefix + a random suffix, inside
// `parent` (which ends in the separator). Returns the folder with a trailing separator, or
// an empty text when it could not be created.
std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix);

bool DirectoryExists(const std::string& path);

// Opens an existing regular file (links followed) for reading without ever waiting: a named
// pipe, a socket or a device is refused instead of blocking the caller. Returns a C runtime
// file descriptor that the caller closes, or -1.
int OpenRegularFile(const std::string& path);

// Identifies a real folder whatever path reaches it (device and node; volume and file index
// on Windows), so that a scan that follows links enters each folder once.
struct FolderIdentity {
    unsigned long long device = 0;
    unsigned long long node = 0;
    bool operator==(const FolderIdentity&) const = default;
    bool operator<(const FolderIdentity& other) const {
        return device != other.device ? device < other.device : node < other.node;
    }
};
// None when the folder cannot be examined.
std::optional<FolderIdentity> IdentifyFolder(const std::string& path);

// Creates the folder and all missing parents. Returns false (and the system's error text
// in `error`) when the folder does not exist afterwards.
bool CreateFolderWithParents(const std::string& path, std::string* error);

// Empties and removes a folder (its text ends in the separator). Errors on single entries
// are ignored and the walk goes on. Symbolic links are removed, never followed.
void DeleteFolderTree(const std::string& folder);

// Copies `source` to `destination`, replacing it atomically: the copy is written under a
// temporary name beside the destination and then renamed. A source that already is the
// destination is left alone. On failure returns false with the system's error text.
bool ReplaceFileWithCopy(const std::string& source, const std::string& destination,
                         std::string* error);

// Hands memory that the process no longer uses back to the system.
void TrimWorkingSet();

// Modifier keys held right now.
struct ShiftState {
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
};
ShiftState ShiftStateNow();

// Autostart at log-in. `enabled` is the state read; an error text means reading failed.
struct AutostartState {
    bool enabled = false;
    std::string error;
};
AutostartState ReadAutostart();
// Switches autostart for the program at `programPath`; returns the error text, or empty.
std::string WriteAutostart(bool enable, const std::string& programPath);

// Single-instance guard: true when this process now holds the named instance lock. The
// lock stays held until the process ends.
bool AcquireInstanceLock(const std::string& name);

// A descriptor that becomes readable when the process is asked to end (SIGTERM, SIGINT,
// SIGHUP). -1 where the platform delivers such requests otherwise.
int TerminationRequestDescriptor();
// Consumes one pending termination request from the descriptor.
void AcknowledgeTerminationRequest();

}  // namespace platform
