#include "updater/Crypto.h"

#include <cstdint>
#include <cstring>
#include <gcrypt.h>
#include <stdexcept>

namespace hopplix::crypto {

namespace {

// libgcrypt must be initialised once before any other call; no secure memory is needed for
// checking signatures, and the signing key comes from a plain file anyway.
void ready()
{
    static const bool done = [] {
        if (!gcry_check_version(GCRYPT_VERSION))
            throw std::runtime_error("libgcrypt is older than the one built against");
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    (void)done;
}

struct Sexp {
    gcry_sexp_t value = nullptr;
    ~Sexp() { gcry_sexp_release(value); }
};

// An opaque value of an S-expression (r or s of a signature), as exactly 32 bytes.
bool fixed32(gcry_sexp_t from, const char* token, unsigned char* out)
{
    Sexp part;
    part.value = gcry_sexp_find_token(from, token, 0);
    std::size_t length = 0;
    const char* data = part.value ? gcry_sexp_nth_data(part.value, 1, &length) : nullptr;
    if (!data || length > 32)
        return false;
    std::memset(out, 0, 32 - length);
    std::memcpy(out + 32 - length, data, length);
    return true;
}

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

Sha256::Sha256()
{
    ready();
    gcry_md_hd_t h = nullptr;
    if (gcry_md_open(&h, GCRY_MD_SHA256, 0) != 0)
        throw std::runtime_error("SHA-256 is not available");
    handle_ = h;
}

Sha256::~Sha256() { gcry_md_close(static_cast<gcry_md_hd_t>(handle_)); }

void Sha256::add(const void* bytes, std::size_t size)
{
    gcry_md_write(static_cast<gcry_md_hd_t>(handle_), bytes, size);
}

std::array<unsigned char, 32> Sha256::finish()
{
    std::array<unsigned char, 32> hash{};
    std::memcpy(hash.data(), gcry_md_read(static_cast<gcry_md_hd_t>(handle_), GCRY_MD_SHA256), hash.size());
    return hash;
}

std::array<unsigned char, 64> blake2b512(std::string_view bytes)
{
    ready();
    std::array<unsigned char, 64> hash{};
    gcry_md_hash_buffer(GCRY_MD_BLAKE2B_512, hash.data(), bytes.data(), bytes.size());
    return hash;
}

std::array<unsigned char, 64> ed25519Sign(const unsigned char* seed, const unsigned char* publicKey,
                                          const unsigned char* message, std::size_t size)
{
    ready();
    Sexp key, data, signature;
    std::array<unsigned char, 64> out{};
    if (gcry_sexp_build(&key.value, nullptr, "(private-key (ecc (curve Ed25519) (flags eddsa) (q %b) (d %b)))", 32,
                        publicKey, 32, seed)
            != 0
        || gcry_sexp_build(&data.value, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                           static_cast<int>(size), message)
               != 0
        || gcry_pk_sign(&signature.value, data.value, key.value) != 0 || !fixed32(signature.value, "r", out.data())
        || !fixed32(signature.value, "s", out.data() + 32))
        throw std::runtime_error("Ed25519 signing failed");
    return out;
}

bool ed25519Verify(const unsigned char* signature, const unsigned char* publicKey, const unsigned char* message,
                   std::size_t size)
{
    ready();
    Sexp key, data, sig;
    return gcry_sexp_build(&key.value, nullptr, "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))", 32,
                           publicKey)
               == 0
           && gcry_sexp_build(&data.value, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                              static_cast<int>(size), message)
                  == 0
           && gcry_sexp_build(&sig.value, nullptr, "(sig-val (eddsa (r %b) (s %b)))", 32, signature, 32, signature + 32)
                  == 0
           && gcry_pk_verify(sig.value, data.value, key.value) == 0;
}

std::optional<std::vector<unsigned char>> fromBase64(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::vector<unsigned char> bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (std::size_t i = 0; i + padding < text.size(); ++i) {
        const auto value = kAlphabet.find(text[i]);
        if (value == std::string_view::npos)
            return std::nullopt;
        accumulator = (accumulator << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<unsigned char>(accumulator >> bits));
        }
    }
    // What is left must be the zero bits of a canonical end.
    if ((accumulator & ((1u << bits) - 1)) != 0)
        return std::nullopt;
    return bytes;
}

std::string toBase64(const unsigned char* bytes, std::size_t size)
{
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const std::uint32_t chunk = (std::uint32_t{bytes[i]} << 16) | (i + 1 < size ? bytes[i + 1] << 8 : 0)
                                    | (i + 2 < size ? bytes[i + 2] : 0);
        text += kAlphabet[(chunk >> 18) & 63];
        text += kAlphabet[(chunk >> 12) & 63];
        text += i + 1 < size ? kAlphabet[(chunk >> 6) & 63] : '=';
        text += i + 2 < size ? kAlphabet[chunk & 63] : '=';
    }
    return text;
}

} // namespace hopplix::crypto
