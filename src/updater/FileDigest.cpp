#include "updater/FileDigest.h"

#include "updater/Crypto.h"

#include <charconv>
#include <fstream>
#include <vector>

namespace hopplix {

namespace {

std::string hexOf(const unsigned char* bytes, std::size_t size)
{
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

} // namespace

std::optional<FileDigest> digestOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    crypto::Sha256 state;
    std::vector<char> buffer(1 << 16);
    FileDigest digest;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        state.add(buffer.data(), got);
        digest.bytes += got;
    }
    if (in.bad())
        return std::nullopt;
    const auto hash = state.finish();
    digest.sha256 = hexOf(hash.data(), hash.size());
    return digest;
}

FileDigest digestOfBytes(std::string_view bytes)
{
    crypto::Sha256 state;
    state.add(bytes.data(), bytes.size());
    const auto hash = state.finish();
    return {hexOf(hash.data(), hash.size()), bytes.size()};
}

std::optional<FileDigest> parseDigest(std::string_view sha256, std::string_view bytes)
{
    if (sha256.size() != 64 || bytes.empty() || bytes.size() > 19
        || bytes.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    FileDigest digest;
    for (char c : sha256) {
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
        digest.sha256 += c;
    }
    std::from_chars(bytes.data(), bytes.data() + bytes.size(), digest.bytes);
    return digest;
}

} // namespace hopplix
