#pragma once
// An exclusive hold on a lock file, let go by the system when its holder ends, however it ends:
// a killed holder never leaves a lock behind.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace hopplix {

class FileLock {
public:
    // Holds `file` (created when absent, never through a link); nullopt when another process
    // holds it or it cannot be opened. Programs we start do not inherit the hold.
    static std::optional<FileLock> tryHold(const std::filesystem::path& file);
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    explicit FileLock(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_ = -1;
};

} // namespace hopplix
