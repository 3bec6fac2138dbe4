#include "platform/FileLock.h"

#include <windows.h>

namespace hopplix {

std::optional<FileLock> FileLock::tryHold(const std::filesystem::path& file)
{
    // Opened without sharing: nobody else opens it while we hold it. Handles are not inherited
    // unless asked for.
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        ::CloseHandle(handle);
        return std::nullopt;
    }
    return FileLock(reinterpret_cast<std::intptr_t>(handle));
}

FileLock::~FileLock()
{
    if (handle_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (handle_ != -1)
            ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

} // namespace hopplix
