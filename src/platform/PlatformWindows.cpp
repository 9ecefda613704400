#include "Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// Needs windows.h first.
#include <sddl.h>

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstddef>
#include <cwctype>
#include <iterator>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace platform {

const char kSeparator = '\\';

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"Tallowquince";
const wchar_t kShellFoldersKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kUserShellFoldersKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Closes a handle when it goes out of scope; Traits says what "no handle" is and how to close.
template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    // For functions that hand a new handle out through a pointer.
    Type* put() {
        reset();
        return &handle_;
    }
    Type release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset() {
        if (handle_ != Traits::Invalid()) {
            Traits::Close(handle_);
            handle_ = Traits::Invalid();
        }
    }

private:
    Type handle_ = Traits::Invalid();
};

struct RegKeyTraits {
    using Type = HKEY;
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY key) { ::RegCloseKey(key); }
};
struct FindTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE find) { ::FindClose(find); }
};
// Files: CreateFileW reports failure as INVALID_HANDLE_VALUE.
struct FileTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE file) { ::CloseHandle(file); }
};
// Tokens, mutexes: their creators report failure as a null handle.
struct KernelObjectTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE object) { ::CloseHandle(object); }
};

using RegKey = UniqueHandle<RegKeyTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using FileHandle = UniqueHandle<FileTraits>;
using KernelObject = UniqueHandle<KernelObjectTraits>;

// Memory the system allocated for us with LocalAlloc.
struct LocalFreeDeleter {
    void operator()(void* memory) const { ::LocalFree(memory); }
};
template <typename T>
using LocalMemory = std::unique_ptr<T, LocalFreeDeleter>;

// Never closed: the system releases the mutex when the process ends.
HANDLE instanceMutex = nullptr;

std::wstring Widen(const std::string& text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory<wchar_t> owner(buffer);
    if (length == 0 || buffer == nullptr) {
        return "System error " + std::to_string(code);
    }
    std::wstring text(buffer, length);
    // The callers put their own punctuation after the text.
    while (!text.empty() && (std::iswspace(text.back()) || text.back() == L'.')) {
        text.pop_back();
    }
    return Narrow(text);
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring WithSeparator(std::wstring path) {
    if (path.empty() || !IsSeparator(path.back())) {
        path += L'\\';
    }
    return path;
}

bool WideDirectoryExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Reads a text value without expanding %NAME% references. Another data type is an error.
LONG QueryTextValue(HKEY key, const wchar_t* name, std::wstring* text) {
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LONG status = ::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            return ERROR_UNSUPPORTED_TYPE;
        }
        std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(key, name, nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &bytes);
        if (status == ERROR_MORE_DATA) {
            continue;  // the value grew in between
        }
        if (status != ERROR_SUCCESS) {
            return status;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            return ERROR_UNSUPPORTED_TYPE;
        }
        buffer.resize(bytes / sizeof(wchar_t));
        // Stored text need not end in exactly one NUL.
        const size_t end = buffer.find(L'\0');
        if (end != std::wstring::npos) {
            buffer.resize(end);
        }
        *text = std::move(buffer);
        return ERROR_SUCCESS;
    }
}

// Any failure yields an empty text.
std::string ReadRegistryText(HKEY root, const wchar_t* path, const wchar_t* name) {
    RegKey key;
    if (::RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring text;
    if (QueryTextValue(key.get(), name, &text) != ERROR_SUCCESS) {
        return {};
    }
    return Narrow(text);
}

DataRootSource RegistryDataRootSource(HKEY root, const wchar_t* name) {
    return {ReadRegistryText(root, kShellFoldersKey, name),
            ReadRegistryText(root, kUserShellFoldersKey, name)};
}

// SDDL of a protected DACL that gives the current user, and nobody else, full access to a
// folder and everything created in it. Empty when the user's SID cannot be read.
std::wstring CurrentUserOnlyDacl() {
    KernelObject token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) {
        return {};
    }
    // operator new storage is aligned for TOKEN_USER.
    std::vector<unsigned char> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    wchar_t* sid = nullptr;
    if (!::ConvertSidToStringSidW(user->User.Sid, &sid)) {
        return {};
    }
    const LocalMemory<wchar_t> owner(sid);
    return L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")";
}

std::wstring RandomSuffix(std::size_t length) {
    static const wchar_t kAlphabet[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
    static std::random_device device;
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 2);
    std::wstring suffix;
    for (std::size_t i = 0; i < length; ++i) {
        suffix += kAlphabet[pick(device)];
    }
    return suffix;
}

// Length of the part of a path that cannot be created: "C:\", "\\server\share\", "\".
std::size_t RootLength(const std::wstring& path) {
    auto startsWith = [&path](const wchar_t* prefix) { return path.rfind(prefix, 0) == 0; };
    auto driveRoot = [&path](std::size_t at) -> std::size_t {
        if (path.size() > at + 1 && path[at + 1] == L':') {
            return path.size() > at + 2 && IsSeparator(path[at + 2]) ? at + 3 : at + 2;
        }
        return at;
    };
    auto shareRoot = [&path](std::size_t at) {
        for (int part = 0; part < 2 && at < path.size(); ++part) {
            while (at < path.size() && !IsSeparator(path[at])) {
                ++at;
            }
            if (at < path.size()) {
                ++at;
            }
        }
        return at;
    };
    if (startsWith(L"\\\\?\\UNC\\")) {
        return shareRoot(8);
    }
    if (startsWith(L"\\\\?\\")) {
        return driveRoot(4);
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return shareRoot(2);
    }
    if (const std::size_t drive = driveRoot(0); drive > 0) {
        return drive;
    }
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

// `base` ends in a separator.
void DeleteWideFolderTree(const std::wstring& base) {
    std::wstring self = base;
    while (self.size() > 1 && IsSeparator(self.back())) {
        self.pop_back();
    }
    // A link is removed, never followed.
    const DWORD selfAttributes = ::GetFileAttributesW(self.c_str());
    if (selfAttributes != INVALID_FILE_ATTRIBUTES &&
        (selfAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::RemoveDirectoryW(self.c_str());
        return;
    }

    WIN32_FIND_DATAW entry{};
    FindHandle find(::FindFirstFileW((base + L"*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = base + name;
            const DWORD attributes = entry.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                ::DeleteFileW(path.c_str());
            } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                ::RemoveDirectoryW(path.c_str());  // a junction or link: only the link goes
            } else {
                DeleteWideFolderTree(path + L'\\');
            }
        } while (::FindNextFileW(find.get(), &entry));
        find.reset();  // an open search would keep the folder from being removed
    }
    ::RemoveDirectoryW(self.c_str());
}

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Returns the system error code, ERROR_SUCCESS when `identity` was filled.
DWORD IdentifyFile(const std::wstring& path, FileIdentity* identity) {
    const FileHandle file(::CreateFileW(path.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) {
        return ::GetLastError();
    }
    *identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return ERROR_SUCCESS;
}

}  // namespace

std::string ProgramFilePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return Narrow(buffer);
        }
        // Truncated: no path is longer than 32,767 characters.
        if (buffer.size() > 32768) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string EnvironmentVariable(const std::string& name) {
    const std::wstring wideName = Widen(name);
    if (wideName.empty()) {
        return {};
    }
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                       static_cast<DWORD>(value.size()));
        if (length == 0) {
            return {};
        }
        if (length < value.size()) {
            value.resize(length);
            return Narrow(value);
        }
        value.resize(length);  // the size needed, terminator included
    }
}

DataRootSource CommonDataRootSource() {
    return RegistryDataRootSource(HKEY_LOCAL_MACHINE, L"Common AppData");
}

DataRootSource UserDataRootSource() {
    return RegistryDataRootSource(HKEY_CURRENT_USER, L"AppData");
}

std::string TempFolderPath() {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(length);  // the size needed, terminator included
    }
    return Narrow(WithSeparator(buffer));
}

std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix) {
    const std::wstring dacl = CurrentUserOnlyDacl();
    if (dacl.empty()) {
        return {};  // rather no folder than one that others can read
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl.c_str(), SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
        return {};
    }
    const LocalMemory<void> owner(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};

    const std::wstring base = Widen(parent) + Widen(prefix);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = base + RandomSuffix(10);
        // Fails on an existing name, so a folder is never shared with another run.
        if (::CreateDirectoryW(folder.c_str(), &attributes)) {
            return Narrow(WithSeparator(folder));
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
    return {};
}

bool DirectoryExists(const std::string& path) {
    return !path.empty() && WideDirectoryExists(Widen(path));
}

int OpenRegularFile(const std::string& path) {
    FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Pipes and character devices (CON, COM1) are not files on disk.
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_RDONLY);
    if (fd >= 0) {
        file.release();  // the descriptor owns it now
    }
    return fd;
}

std::optional<FolderIdentity> IdentifyFolder(const std::string& path) {
    // FILE_FLAG_BACKUP_SEMANTICS opens a folder; the handle follows links to the real one.
    const FileHandle folder(::CreateFileW(
        Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (path.empty() || !folder || !::GetFileInformationByHandle(folder.get(), &info)) {
        return std::nullopt;
    }
    return FolderIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool CreateFolderWithParents(const std::string& path, std::string* error) {
    const std::wstring wide = Widen(path);
    DWORD firstError = ERROR_SUCCESS;
    std::size_t pos = RootLength(wide);
    while (pos < wide.size()) {
        std::size_t end = pos;
        while (end < wide.size() && !IsSeparator(wide[end])) {
            ++end;
        }
        if (end > pos) {
            const std::wstring partial = wide.substr(0, end);
            if (!WideDirectoryExists(partial) && !::CreateDirectoryW(partial.c_str(), nullptr)) {
                const DWORD code = ::GetLastError();
                // The first failure is the cause; the ones below it only follow from it.
                if (code != ERROR_ALREADY_EXISTS && firstError == ERROR_SUCCESS) {
                    firstError = code;
                }
            }
        }
        pos = end + 1;
    }
    if (!wide.empty() && WideDirectoryExists(wide)) {
        return true;
    }
    if (error) {
        *error = SystemErrorText(firstError != ERROR_SUCCESS ? firstError : ERROR_PATH_NOT_FOUND);
    }
    return false;
}

void DeleteFolderTree(const std::string& folder) {
    if (!folder.empty()) {
        DeleteWideFolderTree(WithSeparator(Widen(folder)));
    }
}

bool ReplaceFileWithCopy(const std::string& source, const std::string& destination,
                         std::string* error) {
    auto fail = [error](DWORD code) {
        if (error) {
            *error = SystemErrorText(code);
        }
        return false;
    };
    const std::wstring from = Widen(source);
    const std::wstring to = Widen(destination);

    FileIdentity sourceId;
    if (const DWORD code = IdentifyFile(from, &sourceId); code != ERROR_SUCCESS) {
        return fail(code);
    }
    // Replacing a file with itself would delete it.
    FileIdentity destinationId;
    if (IdentifyFile(to, &destinationId) == ERROR_SUCCESS && sourceId == destinationId) {
        return true;
    }

    // Beside the destination, so that the final rename stays on one volume.
    std::wstring temp;
    bool copied = false;
    for (int attempt = 0; attempt < 100 && !copied; ++attempt) {
        temp = to + L".part" + RandomSuffix(8);
        if (::CopyFileW(from.c_str(), temp.c_str(), TRUE)) {
            copied = true;
        } else {
            const DWORD code = ::GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
                ::DeleteFileW(temp.c_str());
                return fail(code);
            }
        }
    }
    if (!copied) {
        return fail(ERROR_FILE_EXISTS);
    }

    // A read-only copy could not be replaced by the next installation.
    const DWORD attributes = ::GetFileAttributesW(temp.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesW(temp.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    // On disk before the rename, so that a crash cannot leave a renamed but empty file.
    {
        const FileHandle copy(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (copy) {
            ::FlushFileBuffers(copy.get());
        }
    }
    if (!::MoveFileExW(temp.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        return fail(code);
    }
    return true;
}

void TrimWorkingSet() {
    ::HeapCompact(::GetProcessHeap(), 0);
    // The pseudo handle of the own process has all access rights and needs no closing.
    ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1),
                               static_cast<SIZE_T>(-1));
}

ShiftState ShiftStateNow() {
    ShiftState state;
    state.shift = ::GetKeyState(VK_SHIFT) < 0;
    state.alt = ::GetKeyState(VK_MENU) < 0;
    state.ctrl = ::GetKeyState(VK_CONTROL) < 0;
    return state;
}

AutostartState ReadAutostart() {
    AutostartState state;
    RegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        return state;  // no key: off, and no error
    }
    std::wstring data;
    const LONG status = QueryTextValue(key.get(), kRunValue, &data);
    if (status == ERROR_FILE_NOT_FOUND) {
        return state;  // no value: off, and no error
    }
    if (status != ERROR_SUCCESS) {
        state.error = SystemErrorText(static_cast<DWORD>(status));
        return state;
    }
    state.enabled = !data.empty();
    return state;
}

std::string WriteAutostart(bool enable, const std::string& programPath) {
    RegKey key;
    LONG status = ::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, key.put());
    if (status != ERROR_SUCCESS) {
        return SystemErrorText(static_cast<DWORD>(status));
    }
    if (enable) {
        const std::wstring data = L"\"" + Widen(programPath) + L"\"";
        status = ::RegSetValueExW(key.get(), kRunValue, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(data.c_str()),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    } else {
        status = ::RegDeleteValueW(key.get(), kRunValue);
        if (status == ERROR_FILE_NOT_FOUND) {
            status = ERROR_SUCCESS;
        }
    }
    return status == ERROR_SUCCESS ? std::string() : SystemErrorText(static_cast<DWORD>(status));
}

bool AcquireInstanceLock(const std::string& name) {
    ::SetLastError(ERROR_SUCCESS);
    KernelObject mutex(::CreateMutexW(nullptr, TRUE, Widen(name).c_str()));
    const DWORD code = ::GetLastError();
    if (!mutex || code == ERROR_ALREADY_EXISTS) {
        return false;
    }
    instanceMutex = mutex.release();
    return true;
}

// Qt reports the end of the session through QGuiApplication::commitDataRequest here.
int TerminationRequestDescriptor() {
    return -1;
}

void AcknowledgeTerminationRequest() {}

}  // namespace platform
