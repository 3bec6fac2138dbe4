#pragma once
// The few primitives the updater's checks need, over libgcrypt on every system (one code path:
// Debian ships it for Linux and for MinGW-w64).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix::crypto {

// SHA-256, fed piece by piece.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void add(const void* bytes, std::size_t size);
    std::array<unsigned char, 32> finish();

private:
    void* handle_ = nullptr;
};

std::array<unsigned char, 64> blake2b512(std::string_view bytes);

// Ed25519 (RFC 8032). `seed` is the first half of a 64-byte secret key, `publicKey` its second.
std::array<unsigned char, 64> ed25519Sign(const unsigned char* seed, const unsigned char* publicKey,
                                          const unsigned char* message, std::size_t size);
bool ed25519Verify(const unsigned char* signature, const unsigned char* publicKey, const unsigned char* message,
                   std::size_t size);

// Standard base64 with padding; decoding refuses any other character and non-canonical ends.
std::optional<std::vector<unsigned char>> fromBase64(std::string_view text);
std::string toBase64(const unsigned char* bytes, std::size_t size);

} // namespace hopplix::crypto
