#include "platform/FileAttributes.h"

#include <windows.h>
#include <string>

namespace hopplix {

bool FileExists(const std::filesystem::path& path)
{
    if (path.empty())
        return false;
    // Opened for its attributes only, which follows a link to its target; a device (CON, NUL)
    // is no disk file.
    const HANDLE file =
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ordinary = ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info)
                          && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    ::CloseHandle(file);
    return ordinary;
}

bool isHidden(const std::filesystem::path& path)
{
    // The entry's own attributes: a link is hidden when the link is, whatever its target.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

bool isWritableFolder(const std::filesystem::path& folder)
{
    // Access rights here are lists that only an attempt reads truly: create a file and let
    // closing it delete it.
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    const std::wstring name =
        L".hopplix-write-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64());
    const HANDLE probe =
        ::CreateFileW((folder / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(probe);
    return true;
}

} // namespace hopplix
