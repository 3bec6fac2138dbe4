#include "platform/Files.h"

#include <fcntl.h>
#include <io.h>
#include <random>
#include <windows.h>

namespace hopplix {

std::optional<std::string> readOrdinaryFile(const std::filesystem::path& file)
{
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open; a device opens but is no disk file.
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::string> bytes;
    LARGE_INTEGER size{};
    if (::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileSizeEx(handle, &size)) {
        bytes.emplace();
        bytes->resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t have = 0;
        for (;;) {
            if (have == bytes->size())
                bytes->resize(bytes->size() + 4096); // the file grew since its size was read
            const std::size_t room = bytes->size() - have;
            const DWORD want = room > 0x40000000 ? 0x40000000 : static_cast<DWORD>(room);
            DWORD got = 0;
            if (!::ReadFile(handle, bytes->data() + have, want, &got, nullptr)) {
                bytes.reset();
                break;
            }
            if (got == 0)
                break;
            have += got;
        }
        if (bytes)
            bytes->resize(have);
    }
    ::CloseHandle(handle);
    return bytes;
}

PartFile::PartFile(const std::filesystem::path& target)
{
    // Hidden by its attribute, which the finished file loses again.
    std::random_device entropy;
    std::mt19937 random(entropy());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring name = L".";
        name += target.filename().native();
        name += L".part-" + std::to_wstring(random() % 1000000);
        const std::filesystem::path path = target.parent_path() / name;
        const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            return;
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
        if (fd < 0) {
            ::CloseHandle(handle);
            ::DeleteFileW(path.c_str());
            return;
        }
        file_ = ::_fdopen(fd, "wb");
        if (!file_) {
            ::_close(fd);
            ::DeleteFileW(path.c_str());
            return;
        }
        path_ = path;
        return;
    }
}

PartFile::~PartFile()
{
    if (file_)
        std::fclose(file_);
    if (!path_.empty())
        ::DeleteFileW(path_.c_str());
}

bool PartFile::commit(const std::filesystem::path& target)
{
    std::FILE* f = file_;
    file_ = nullptr;
    if (!f)
        return false;
    const bool written = std::fflush(f) == 0
                         && ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(f))));
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed)
        return false;
    const DWORD attributes = ::GetFileAttributesW(path_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD shown = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN);
    if (!::SetFileAttributesW(path_.c_str(), shown != 0 ? shown : FILE_ATTRIBUTE_NORMAL))
        return false;
    if (!::MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    path_.clear();
    return true;
}

} // namespace hopplix
