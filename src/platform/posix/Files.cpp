#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hopplix {

std::optional<std::string> readOrdinaryFile(const std::filesystem::path& file, Links links)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0));
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace();
        bytes->resize(static_cast<std::size_t>(info.st_size));
        std::size_t have = 0;
        for (;;) {
            if (have == bytes->size())
                bytes->resize(bytes->size() + 4096); // the file grew since fstat
            const ssize_t got = ::read(fd, bytes->data() + have, bytes->size() - have);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                bytes.reset();
                break;
            }
            if (got == 0)
                break;
            have += static_cast<std::size_t>(got);
        }
        if (bytes)
            bytes->resize(have);
    }
    ::close(fd);
    return bytes;
}

bool appendToOrdinaryFile(const std::filesystem::path& file, std::string_view bytes)
{
    // O_NONBLOCK: opening a pipe without a reader would wait for one for ever.
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    while (ok && !bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        ok = put > 0;
        if (ok)
            bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return ::close(fd) == 0 && ok;
}

PartFile::PartFile(const std::filesystem::path& target)
{
    std::string pattern = (target.parent_path() / kPartFilePrefix).string();
    pattern += "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return;
    // mkstemp makes the file private; the finished file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return;
    }
    path_ = pattern;
}

PartFile::~PartFile()
{
    if (file_)
        std::fclose(file_);
    if (!path_.empty())
        ::unlink(path_.c_str());
}

bool PartFile::commit(const std::filesystem::path& target)
{
    std::FILE* f = file_;
    file_ = nullptr;
    if (!f)
        return false;
    const bool written = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed)
        return false;
    if (std::rename(path_.c_str(), target.c_str()) != 0)
        return false;
    path_.clear();
    return true;
}

} // namespace hopplix
