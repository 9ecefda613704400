#include "FolderIdentity.h"

#include <windows.h>

std::optional<FolderIdentity> IdentifyFolder(const QString& path) {
    // FILE_FLAG_BACKUP_SEMANTICS is needed to open a folder; the handle follows links.
    const HANDLE handle = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!ok) {
        return std::nullopt;
    }
    return FolderIdentity{quint64(info.dwVolumeSerialNumber),
                          (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}
