#pragma once
// Reading a whole file without blocking on what is no file, and writing a file so that it
// appears under its name only when it is complete.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace hopplix {

// The whole file, byte for byte; nullopt when it is missing, cannot be read or is not an
// ordinary file (a folder, or a pipe that would block the reader).
std::optional<std::string> readOrdinaryFile(const std::filesystem::path& file);

// A file written under a hidden temporary name in its target's folder, with the permissions a
// new file of the user gets. It is removed on destruction unless it was committed.
class PartFile {
public:
    explicit PartFile(const std::filesystem::path& target);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Where to write; null when the file could not be created.
    std::FILE* stream() const { return file_; }
    // Writes the file through to the disk, closes it and moves it to `target`, replacing what
    // was there; false when anything failed on the way.
    bool commit(const std::filesystem::path& target);

private:
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
};

} // namespace hopplix
