#include "updater/Minisign.h"

#include "updater/Crypto.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace hopplix {

namespace {

using crypto::fromBase64;
using crypto::toBase64;

constexpr std::size_t kSignatureBytes = 64;

// The lines of a text, without their CR LF or LF ends.
std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

constexpr std::string_view kUntrusted = "untrusted comment: ";
constexpr std::string_view kTrusted = "trusted comment: ";

} // namespace

std::optional<MinisignPublicKey> parseMinisignPublicKey(std::string_view text)
{
    auto lines = linesOf(text);
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.empty() || lines.size() > 2 || (lines.size() == 2 && !startsWith(lines[0], kUntrusted)))
        return std::nullopt;
    const auto bytes = fromBase64(lines.back());
    if (!bytes || bytes->size() != 42 || (*bytes)[0] != 'E' || (*bytes)[1] != 'd')
        return std::nullopt;
    MinisignPublicKey key;
    std::memcpy(key.keyId.data(), bytes->data() + 2, key.keyId.size());
    std::memcpy(key.key.data(), bytes->data() + 10, key.key.size());
    return key;
}

std::optional<MinisignSecretKey> parseMinisignSecretKey(std::string_view fileText, std::string& problem)
{
    const auto lines = linesOf(fileText);
    const auto bytes = lines.size() >= 2 && startsWith(lines[0], kUntrusted) ? fromBase64(lines[1]) : std::nullopt;
    // sig alg, kdf alg, checksum alg, salt, ops and memory limits, key id, key, checksum.
    if (!bytes || bytes->size() != 2 + 2 + 2 + 32 + 8 + 8 + 8 + 64 + 32 || (*bytes)[0] != 'E' || (*bytes)[1] != 'd') {
        problem = "not a minisign secret key";
        return std::nullopt;
    }
    if ((*bytes)[2] != 0 || (*bytes)[3] != 0) {
        problem = "the secret key is protected by a password; make one without: minisign -G -W";
        return std::nullopt;
    }
    MinisignSecretKey key;
    std::memcpy(key.keyId.data(), bytes->data() + 54, key.keyId.size());
    std::memcpy(key.key.data(), bytes->data() + 62, key.key.size());
    return key;
}

std::string minisignSign(const MinisignSecretKey& key, std::string_view content, std::string_view fileName,
                         std::optional<std::int64_t> timestamp)
{
    const auto hash = crypto::blake2b512(content);
    // "ED" (prehashed), the key id, the signature; filled in place rather than appended, which
    // GCC 12 misjudges (-Warray-bounds).
    std::array<unsigned char, 2 + 8 + kSignatureBytes> blob{'E', 'D'};
    std::memcpy(blob.data() + 2, key.keyId.data(), key.keyId.size());
    const auto signature = crypto::ed25519Sign(key.key.data(), key.key.data() + 32, hash.data(), hash.size());
    std::memcpy(blob.data() + 10, signature.data(), signature.size());

    const auto seconds =
        timestamp
            ? *timestamp
            : std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
                  .count();
    const std::string trusted = "timestamp:" + std::to_string(seconds) + "\tfile:" + std::string(fileName) + "\thashed";
    std::vector<unsigned char> global(kSignatureBytes + trusted.size());
    std::memcpy(global.data(), signature.data(), kSignatureBytes);
    std::memcpy(global.data() + kSignatureBytes, trusted.data(), trusted.size());
    const auto globalSignature = crypto::ed25519Sign(key.key.data(), key.key.data() + 32, global.data(), global.size());

    return std::string(kUntrusted) + "signature from hopplix-publish\n" + toBase64(blob.data(), blob.size()) + "\n"
           + std::string(kTrusted) + trusted + "\n" + toBase64(globalSignature.data(), globalSignature.size()) + "\n";
}

bool minisignVerify(const MinisignPublicKey& key, std::string_view content, std::string_view signatureText)
{
    auto lines = linesOf(signatureText);
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (lines.size() != 4 || !startsWith(lines[0], kUntrusted) || !startsWith(lines[2], kTrusted))
        return false;
    const auto blob = fromBase64(lines[1]);
    const auto global = fromBase64(lines[3]);
    if (!blob || blob->size() != 2 + 8 + kSignatureBytes || !global || global->size() != kSignatureBytes)
        return false;
    if (!std::equal(key.keyId.begin(), key.keyId.end(), blob->begin() + 2))
        return false;
    const unsigned char* signature = blob->data() + 10;
    const bool prehashed = (*blob)[0] == 'E' && (*blob)[1] == 'D';
    const bool legacy = (*blob)[0] == 'E' && (*blob)[1] == 'd';
    bool valid = false;
    if (prehashed) {
        const auto hash = crypto::blake2b512(content);
        valid = crypto::ed25519Verify(signature, key.key.data(), hash.data(), hash.size());
    } else if (legacy) {
        valid = crypto::ed25519Verify(signature, key.key.data(), reinterpret_cast<const unsigned char*>(content.data()),
                                      content.size());
    }
    if (!valid)
        return false;
    const std::string_view trusted = lines[2].substr(kTrusted.size());
    std::vector<unsigned char> covered(kSignatureBytes + trusted.size());
    std::memcpy(covered.data(), signature, kSignatureBytes);
    std::memcpy(covered.data() + kSignatureBytes, trusted.data(), trusted.size());
    return crypto::ed25519Verify(global->data(), key.key.data(), covered.data(), covered.size());
}

} // namespace hopplix
