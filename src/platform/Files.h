#pragma once
// Reading a whole file without blocking on what is no file, and writing a file so that it
// appears under its name only when it is complete.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// Whether the last part of a path may be a symbolic link that is followed.
enum class Links { Follow, Refuse };

// The whole file, byte for byte; nullopt when it is missing, cannot be read or is not an
// ordinary file (a folder, or a pipe that would block the reader). With Links::Refuse a link
// is not followed, however it points.
std::optional<std::string> readOrdinaryFile(const std::filesystem::path& file, Links links = Links::Follow);

// Appends `bytes` to `file`, creating it when absent. Never through a link, never into a pipe,
// device or folder of that name, and never blocking on opening: false for any of those, and
// when writing fails.
bool appendToOrdinaryFile(const std::filesystem::path& file, std::string_view bytes);

// Removes a folder with everything in it, quietly; a link of that name goes, not what it
// points to.
void removeTree(const std::filesystem::path& path);

// PartFile names its files with this prefix and six letters or digits.
inline constexpr std::string_view kPartFilePrefix = ".hopplix-part-";

// True for the names PartFile gives its files: what a killed download leaves behind.
bool isPartFileName(std::string_view name);

// A file written under a hidden temporary name in its target's folder, with the permissions a
// new file of the user gets. The name is short whatever the target's, so every name a folder
// can hold can be downloaded. It is removed on destruction unless it was committed.
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
