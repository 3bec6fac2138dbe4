// The entry of the library hopplix-download: everything else in it is hidden.
#include "updater/DownloadLibrary.h"

#include <exception>
#include <type_traits>

extern "C" __attribute__((visibility("default"))) hopplix::Downloader* hopplix_create_downloader(const char* caFile)
{
    static_assert(std::is_same_v<decltype(&hopplix_create_downloader), hopplix::CreateDownloaderFunction>);
    try {
        return new hopplix::CurlDownloader(hopplix::DownloadLimits{}, caFile ? caFile : "");
    } catch (const std::exception&) {
        return nullptr; // no exception crosses the library's edge
    }
}
