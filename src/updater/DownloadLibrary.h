#pragma once
// The real downloader lives in a library of its own, hopplix-download beside the program. The
// program loads it (and with it libcurl and the TLS libraries) only when an update check will
// run, so a start without one pays for none of them.

#include "platform/DynamicLibrary.h"
#include "updater/Downloader.h"

#include <filesystem>
#include <memory>
#include <string>

namespace hopplix {

// The library's base name and the function it exports: it makes a CurlDownloader with the
// default limits that trusts the certificate authorities in `caFile` for https (empty: the
// system's), or returns null.
inline constexpr const char* kDownloadLibrary = "hopplix-download";
inline constexpr const char* kCreateDownloader = "hopplix_create_downloader";
using CreateDownloaderFunction = Downloader* (*)(const char* caFile);

class DownloadLibrary {
public:
    // Loads the library from `programFolder`. When that fails, downloader() is null and error()
    // says why in one line.
    explicit DownloadLibrary(const std::filesystem::path& programFolder, const std::filesystem::path& caFile = {});
    ~DownloadLibrary();
    DownloadLibrary(const DownloadLibrary&) = delete;
    DownloadLibrary& operator=(const DownloadLibrary&) = delete;

    // Lives as long as this object; its code is the library's.
    Downloader* downloader() const { return downloader_.get(); }
    const std::string& error() const { return error_; }

private:
    DynamicLibrary library_;
    std::unique_ptr<Downloader> downloader_;
    std::string error_;
};

} // namespace hopplix
