#include "Platform.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace platform {

const char kSeparator = '/';

namespace {

std::string ErrnoText(int code) {
    return std::strerror(code);
}

std::string WithSeparator(std::string path) {
    if (path.empty() || path.back() != kSeparator) {
        path += kSeparator;
    }
    return path;
}

std::string AutostartFile() {
    std::string config = EnvironmentVariable("XDG_CONFIG_HOME");
    if (config.empty()) {
        config = EnvironmentVariable("HOME") + "/.config";
    }
    return WithSeparator(config) + "autostart/Tallowquince.desktop";
}

// Reads the Exec value of a desktop entry, without the quotes the writer puts around it.
std::string DesktopEntryExec(std::istream& in) {
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (inEntry && line.rfind("Exec=", 0) == 0) {
            std::string exec = line.substr(5);
            if (exec.size() >= 2 && exec.front() == '"' && exec.back() == '"') {
                exec = exec.substr(1, exec.size() - 2);
            }
            return exec;
        }
    }
    return {};
}

// Quoting for a desktop entry's Exec key: the path inside double quotes, with the
// characters that are special there escaped.
std::string QuoteExec(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
            quoted += c;
        } else if (c == '\\') {
            quoted += "\\\\\\\\";
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

int terminationPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(terminationPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

std::string ProgramFilePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string EnvironmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

DataRootSource CommonDataRootSource() {
    return {EnvironmentVariable("XDG_DATA_HOME"), "%HOME%/.local/share"};
}

DataRootSource UserDataRootSource() {
    return {EnvironmentVariable("XDG_CONFIG_HOME"), "%HOME%/.config"};
}

std::string TempFolderPath() {
    std::string tmp = EnvironmentVariable("TMPDIR");
    if (tmp.empty() || !DirectoryExists(tmp)) {
        tmp = "/tmp";
    }
    return WithSeparator(tmp);
}

std::string CreatePrivateFolder(const std::string& parent, const std::string& prefix) {
    std::string pattern = parent + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        return {};
    }
    return WithSeparator(buffer.data());
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int OpenRegularFile(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer, possibly for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<FolderIdentity> IdentifyFolder(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FolderIdentity{static_cast<unsigned long long>(st.st_dev),
                          static_cast<unsigned long long>(st.st_ino)};
}

bool CreateFolderWithParents(const std::string& path, std::string* error) {
    std::string partial;
    int lastError = 0;
    size_t pos = 0;
    while (pos <= path.size()) {
        const size_t next = path.find(kSeparator, pos);
        const size_t end = next == std::string::npos ? path.size() : next;
        partial = path.substr(0, end);
        if (!partial.empty() && !DirectoryExists(partial)) {
            if (::mkdir(partial.c_str(), 0777) != 0 && !DirectoryExists(partial)) {
                lastError = errno;
            }
        }
        if (next == std::string::npos) {
            break;
        }
        pos = next + 1;
    }
    if (DirectoryExists(path)) {
        return true;
    }
    if (error) {
        *error = ErrnoText(lastError ? lastError : ENOENT);
    }
    return false;
}

void DeleteFolderTree(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + name;
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                DeleteFolderTree(path + kSeparator);
            } else {
                ::unlink(path.c_str());
            }
        }
        ::closedir(dir);
    }
    ::rmdir(folder.c_str());
}

bool ReplaceFileWithCopy(const std::string& source, const std::string& destination,
                         std::string* error) {
    auto fail = [error](int code) {
        if (error) {
            *error = ErrnoText(code);
        }
        return false;
    };
    struct stat from {};
    struct stat to {};
    if (::stat(source.c_str(), &from) != 0) {
        return fail(errno);
    }
    if (::stat(destination.c_str(), &to) == 0 && from.st_dev == to.st_dev &&
        from.st_ino == to.st_ino) {
        return true;
    }
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return fail(errno);
    }
    std::string temp = destination + ".partXXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int out = ::mkostemp(name.data(), O_CLOEXEC);
    if (out < 0) {
        const int code = errno;
        ::close(in);
        return fail(code);
    }
    int code = 0;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            code = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                code = errno;
                break;
            }
            done += w;
        }
        if (code) {
            break;
        }
    }
    ::close(in);
    if (!code && ::fchmod(out, 0644) != 0) {
        code = errno;
    }
    if (!code && ::fsync(out) != 0) {
        code = errno;
    }
    if (::close(out) != 0 && !code) {
        code = errno;
    }
    if (!code && ::rename(name.data(), destination.c_str()) != 0) {
        code = errno;
    }
    if (code) {
        ::unlink(name.data());
        return fail(code);
    }
    return true;
}

namespace {

// Resident pages of this process, or -1.
long ResidentPages() {
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char text[128] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    long size = 0;
    long resident = -1;
    return got > 0 && std::sscanf(text, "%ld %ld", &size, &resident) == 2 ? resident : -1;
}

}  // namespace

void TrimWorkingSet() {
    // Every refresh frees its canvas and the next one takes the same memory again: handing
    // those pages back would only make the next refresh fault them in (several times its
    // drawing). So the heap is trimmed when the process has grown since the last trim, as
    // after a photo change, a new skin or a dialog.
    static std::atomic<long> trimmedAt{-1};  // resident pages after the last trim
    const long growth = (4L << 20) / ::sysconf(_SC_PAGESIZE);
    const long resident = ResidentPages();
    const long last = trimmedAt.load();
    if (resident >= 0 && last >= 0 && resident < last + growth) {
        trimmedAt.store(std::min(last, resident));
        return;
    }
    ::malloc_trim(0);
    trimmedAt.store(ResidentPages());
}

ShiftState ShiftStateNow() {
    // One connection for the life of the process; opening a display per call would be slow.
    static Display* display =
        EnvironmentVariable("DISPLAY").empty() ? nullptr : XOpenDisplay(nullptr);
    ShiftState state;
    if (!display) {
        return state;
    }
    char keys[32] = {};
    XQueryKeymap(display, keys);
    auto held = [&](KeySym sym) {
        const KeyCode code = XKeysymToKeycode(display, sym);
        return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
    };
    state.shift = held(XK_Shift_L) || held(XK_Shift_R);
    state.ctrl = held(XK_Control_L) || held(XK_Control_R);
    state.alt = held(XK_Alt_L) || held(XK_Alt_R) || held(XK_Meta_L) || held(XK_Meta_R);
    return state;
}

AutostartState ReadAutostart() {
    AutostartState state;
    const std::string path = AutostartFile();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return state;  // no entry: off, and no error
    }
    if (S_ISDIR(st.st_mode)) {
        state.error = ErrnoText(EISDIR);
        return state;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        state.error = ErrnoText(errno ? errno : EACCES);
        return state;
    }
    state.enabled = !DesktopEntryExec(in).empty();
    return state;
}

std::string WriteAutostart(bool enable, const std::string& programPath) {
    const std::string path = AutostartFile();
    if (!enable) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            return ErrnoText(errno);
        }
        return {};
    }
    std::string error;
    const std::string folder = path.substr(0, path.rfind(kSeparator));
    if (!CreateFolderWithParents(folder, &error)) {
        return error;
    }
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=Tallowquince\n"
          << "Exec=" << QuoteExec(programPath) << "\n"
          << "X-GNOME-Autostart-enabled=true\n";
    const std::string text = entry.str();
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ErrnoText(errno);
    }
    int code = 0;
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        code = errno ? errno : EIO;
    }
    if (::close(fd) != 0 && !code) {
        code = errno;
    }
    if (!code && ::rename(temp.c_str(), path.c_str()) != 0) {
        code = errno;
    }
    if (code) {
        ::unlink(temp.c_str());
        return ErrnoText(code);
    }
    return {};
}

namespace {

// A folder that only this user can write to, so that nobody else can take a name in it.
bool PrivateFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Where the instance lock lies: the session's runtime folder; without one, the user's cache
// folder, with the machine's name in the file name because a home folder may be shared
// between machines. Never the shared temporary folder, where another user could create the
// file first and so stop every start.
std::string InstanceLockFile(const std::string& name) {
    const std::string runtime = EnvironmentVariable("XDG_RUNTIME_DIR");
    if (PrivateFolder(runtime)) {
        return WithSeparator(runtime) + name;
    }
    std::string cache = EnvironmentVariable("XDG_CACHE_HOME");
    if (cache.empty()) {
        std::string home = EnvironmentVariable("HOME");
        if (home.empty()) {
            const passwd* user = ::getpwuid(::geteuid());
            home = user && user->pw_dir ? user->pw_dir : "";
        }
        if (home.empty()) {
            return {};
        }
        cache = WithSeparator(home) + ".cache";
    }
    const std::string folder = WithSeparator(cache) + "Tallowquince";
    if (!CreateFolderWithParents(folder, nullptr)) {
        return {};
    }
    std::array<char, 256> host{};
    if (::gethostname(host.data(), host.size() - 1) != 0) {
        host[0] = '\0';
    }
    return WithSeparator(folder) + name + "-" + host.data();
}

}  // namespace

bool AcquireInstanceLock(const std::string& name) {
    const std::string file = InstanceLockFile(name);
    if (file.empty()) {
        return false;
    }
    // Kept open for the life of the process: the system releases the lock at exit. A link,
    // or anything but a regular file of this user's, is refused.
    const int fd =
        ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    return true;
}

int TerminationRequestDescriptor() {
    if (terminationPipe[0] >= 0) {
        return terminationPipe[0];
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, terminationPipe) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    return terminationPipe[0];
}

void AcknowledgeTerminationRequest() {
    char byte = 0;
    [[maybe_unused]] ssize_t n = ::read(terminationPipe[0], &byte, 1);
}

}  // namespace platform
