#pragma once
// Downloading a URL to a file, blocking, the way the updater needs it: an HTTP error status is a
// failure, every transfer is bounded in time and size, and the target file appears only when the
// transfer is complete, so a failed download never leaves a half file or replaces a good one.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace hopplix {

// What is being fetched decides how large it may be and how long it may take.
enum class DownloadKind {
    Small,    // the version file and signatures
    Manifest, // the manifest: large enough for thousands of entries
    Large,    // the program file and the files the manifest lists
};

struct DownloadLimits {
    std::chrono::seconds connectTimeout{10};
    // No byte for this long ends the transfer: a dead server cannot hang the program.
    std::chrono::seconds stallTimeout{15};
    std::chrono::seconds smallTotalTimeout{30};
    std::chrono::seconds manifestTotalTimeout{120};
    std::chrono::seconds largeTotalTimeout{900};
    std::uint64_t smallMaxBytes = 64 * 1024;
    std::uint64_t manifestMaxBytes = 4 * 1024 * 1024;
    std::uint64_t largeMaxBytes = 256ull * 1024 * 1024;
    long maxRedirects = 5;

    std::chrono::seconds totalTimeout(DownloadKind kind) const
    {
        switch (kind) {
        case DownloadKind::Small: return smallTotalTimeout;
        case DownloadKind::Manifest: return manifestTotalTimeout;
        case DownloadKind::Large: break;
        }
        return largeTotalTimeout;
    }
    std::uint64_t maxBytes(DownloadKind kind) const
    {
        switch (kind) {
        case DownloadKind::Small: return smallMaxBytes;
        case DownloadKind::Manifest: return manifestMaxBytes;
        case DownloadKind::Large: break;
        }
        return largeMaxBytes;
    }
};

// Called now and then during a transfer (bytes so far, expected total or 0 when unknown), so a
// window can repaint while the program waits. False gives the transfer up.
using DownloadProgress = std::function<bool(std::uint64_t received, std::uint64_t total)>;

class Downloader {
public:
    virtual ~Downloader() = default;
    // Downloads `url` to `file`. Returns 0 when the whole file was written, non-zero otherwise.
    virtual int URLDownloadToFile(const std::string& url, const std::filesystem::path& file, DownloadKind kind) = 0;
    void setProgress(DownloadProgress progress) { progress_ = std::move(progress); }
    // Every transfer from now on ends by `deadline` at the latest, connecting included;
    // nullopt: each has its own bounds only.
    void setDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) { deadline_ = deadline; }

protected:
    DownloadProgress progress_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
};

// Result codes of the downloaders besides 0 (success).
namespace download_error {
inline constexpr int BadUrl = 1;     // not an http:// or https:// URL
inline constexpr int Transfer = 2;   // connect, timeout, stall, short body, other transfer error
inline constexpr int HttpStatus = 3; // the server answered with an error status
inline constexpr int TooLarge = 4;   // more than the kind's size cap
inline constexpr int LocalFile = 5;  // the target folder cannot take the file
inline constexpr int Cancelled = 6;  // the progress callback gave up
} // namespace download_error

// The real downloader, over libcurl.
class CurlDownloader : public Downloader {
public:
    // caFile: the certificate authorities https servers are checked against; empty: the system's.
    explicit CurlDownloader(DownloadLimits limits = {}, std::filesystem::path caFile = {});
    int URLDownloadToFile(const std::string& url, const std::filesystem::path& file, DownloadKind kind) override;
    const DownloadLimits& limits() const { return limits_; }

private:
    DownloadLimits limits_;
    std::filesystem::path caFile_;
};

// The downloader on Windows, over WinHTTP, with the same limits and results. An https server is
// checked against the system's certificate store: WinHTTP takes no file of certificate
// authorities. A build for a server of its own may pin that server's certificate instead
// (`pinnedCertificate`, a PEM file): then exactly that certificate is accepted, from any
// authority and under any name, and no other; when the file cannot be read, no https download
// succeeds.
class WinHttpDownloader : public Downloader {
public:
    explicit WinHttpDownloader(DownloadLimits limits = {}, const std::filesystem::path& pinnedCertificate = {});
    int URLDownloadToFile(const std::string& url, const std::filesystem::path& file, DownloadKind kind) override;
    const DownloadLimits& limits() const { return limits_; }

private:
    DownloadLimits limits_;
    bool pinned_ = false;
    std::string pinnedDer_; // empty when pinned but unreadable: nothing matches
};

} // namespace hopplix
