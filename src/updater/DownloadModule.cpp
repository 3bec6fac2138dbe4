// The entry of the library hopplix-download: everything else in it is hidden.
#include "updater/DownloadLibrary.h"

#include <new>
#include <type_traits>

extern "C" __attribute__((visibility("default"))) hopplix::Downloader* hopplix_create_downloader()
{
    static_assert(std::is_same_v<decltype(&hopplix_create_downloader), hopplix::CreateDownloaderFunction>);
    return new (std::nothrow) hopplix::CurlDownloader();
}
