#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hopplix {

std::optional<FileLock> FileLock::tryHold(const std::filesystem::path& file)
{
    // flock, not fcntl: the hold belongs to this open file, not to the process, and
    // O_CLOEXEC keeps it from the programs we start.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return FileLock(fd);
}

FileLock::~FileLock()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (handle_ >= 0)
            ::close(static_cast<int>(handle_));
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

} // namespace hopplix
