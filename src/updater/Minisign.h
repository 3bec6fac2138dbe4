#pragma once
// Detached signatures in the minisign format (Ed25519), so that operators may sign and check
// with Debian's minisign tool as well as with hopplix-publish.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

struct MinisignPublicKey {
    std::array<unsigned char, 8> keyId{};
    std::array<unsigned char, 32> key{};
};

struct MinisignSecretKey {
    std::array<unsigned char, 8> keyId{};
    std::array<unsigned char, 64> key{};
};

// A public key: its base64 text ("RW..."), or a whole minisign.pub file. nullopt when malformed.
std::optional<MinisignPublicKey> parseMinisignPublicKey(std::string_view text);

// An unencrypted secret key file as `minisign -G -W` writes it. nullopt with the reason in
// `problem` when it is malformed or protected by a password.
std::optional<MinisignSecretKey> parseMinisignSecretKey(std::string_view fileText, std::string& problem);

// The signature file for `content`, with the signing time (`timestamp`, seconds since 1970;
// nullopt: now) and `fileName` in its trusted comment: the prehashed form (BLAKE2b-512, then
// Ed25519) that `minisign -S` makes by default.
std::string minisignSign(const MinisignSecretKey& key, std::string_view content, std::string_view fileName,
                         std::optional<std::int64_t> timestamp = std::nullopt);

// True when `signatureText` is a well-formed signature file by `key` for `content`, its
// trusted comment included; prehashed and legacy signatures are both accepted.
bool minisignVerify(const MinisignPublicKey& key, std::string_view content, std::string_view signatureText);

} // namespace hopplix
