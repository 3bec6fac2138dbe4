#include "updater/DownloadLibrary.h"

namespace hopplix {

DownloadLibrary::DownloadLibrary(const std::filesystem::path& programFolder, const std::filesystem::path& caFile)
    : library_(programFolder / libraryFileName(kDownloadLibrary))
{
    if (!library_.isOpen()) {
        error_ = library_.error();
        return;
    }
    const auto create = reinterpret_cast<CreateDownloaderFunction>(library_.function(kCreateDownloader));
    if (!create) {
        error_ = library_.error();
        return;
    }
    downloader_.reset(create(caFile.string().c_str()));
    if (!downloader_)
        error_ = "the download library made no downloader";
}

// The downloader's code is in the library: it goes first.
DownloadLibrary::~DownloadLibrary() { downloader_.reset(); }

} // namespace hopplix
