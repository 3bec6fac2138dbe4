#include "platform/Files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <random>

namespace hopplix {

namespace {

// Whether an open handle is an ordinary file on a disk: no device, no folder, and, where links
// are refused, no link (a handle opened with FILE_FLAG_OPEN_REPARSE_POINT is the link itself).
bool isOrdinaryDiskFile(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileType(handle) == FILE_TYPE_DISK && ::GetFileInformationByHandle(handle, &info)
           && (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

std::optional<std::string> readOrdinaryFile(const std::filesystem::path& file, Links links)
{
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open; a device opens but is no disk file.
    const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (links == Links::Refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::string> bytes;
    LARGE_INTEGER size{};
    if (isOrdinaryDiskFile(handle) && ::GetFileSizeEx(handle, &size)) {
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

bool appendToOrdinaryFile(const std::filesystem::path& file, std::string_view bytes)
{
    // With append rights only, every write goes to the end. A link is opened as itself and
    // refused; a folder does not open.
    const HANDLE handle = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool ok = isOrdinaryDiskFile(handle);
    while (ok && !bytes.empty()) {
        const DWORD want = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD put = 0;
        ok = ::WriteFile(handle, bytes.data(), want, &put, nullptr) && put > 0;
        if (ok)
            bytes.remove_prefix(put);
    }
    return ::CloseHandle(handle) && ok;
}

PartFile::PartFile(const std::filesystem::path& target)
{
    // Hidden by its attribute, which the finished file loses again.
    constexpr std::string_view letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::mt19937 random(entropy());
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(kPartFilePrefix);
        for (int i = 0; i < 6; ++i)
            name += letters[pick(random)];
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
    const bool written =
        std::fflush(f) == 0 && ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(f))));
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
