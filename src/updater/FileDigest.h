#pragma once
// What the manifest says of a file so that the updater can tell it arrived as published: its
// SHA-256 and its size.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

struct FileDigest {
    std::string sha256; // 64 lower-case hex digits
    std::uint64_t bytes = 0;
    bool operator==(const FileDigest&) const = default;
};

// The digest of a file's content; nullopt when it cannot be read.
std::optional<FileDigest> digestOf(const std::filesystem::path& file);

// The digest of bytes in memory.
FileDigest digestOfBytes(std::string_view bytes);

// The digest a manifest gives in its [SHA256] and [Bytes] values: nullopt unless the hash is
// 64 hex digits (either case) and the size plain decimal digits.
std::optional<FileDigest> parseDigest(std::string_view sha256, std::string_view bytes);

} // namespace hopplix
