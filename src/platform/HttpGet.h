#pragma once
// One GET over http or https through the system's own client, WinHTTP. Only Windows has it:
// elsewhere the updater downloads through libcurl. What a piece of the answer means (a cap,
// a file to write, a player who gave up) is the caller's; this only carries it and keeps time.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hopplix {

struct HttpGet {
    std::chrono::milliseconds connectTimeout{10000};
    // No byte for this long ends the transfer.
    std::chrono::milliseconds stallTimeout{15000};
    // Nothing goes on after this, connecting included.
    std::chrono::steady_clock::time_point end;
    long maxRedirects = 5;
    // Set: an https server must present exactly this certificate (DER), whatever authority
    // signed it and whatever name it carries, and no other. Unset: the system's store decides.
    std::optional<std::string> pinnedCertificate;
    // Asked before anything blocks and between pieces: false stops the transfer.
    std::function<bool()> goOn;
    // The final answer's status and its announced length (0: none given): false stops.
    std::function<bool(int status, std::uint64_t length)> headers;
    // Each piece of the body: false stops.
    std::function<bool(const char* data, std::size_t size)> body;
};

enum class HttpOutcome {
    Complete, // the whole body went to `body` (as long as announced, when it was)
    NotWeb,   // not an http:// or https:// URL
    Failed,   // no connection, a timeout or stall, a body cut short, a certificate refused
    Stopped,  // a callback said stop
};

// `url` in UTF-8.
HttpOutcome httpGet(const std::string& url, const HttpGet& get);

} // namespace hopplix
