#include "app/App.h"

#include "common/Paths.h"
#include "updater/DownloadLibrary.h"

#include <ostream>

namespace hopplix {

std::string updateServerFor(const std::string& updateServer, const std::filesystem::path& programFolder,
                            std::ostream& log)
{
    if (updateServer.empty() || isWritableFolder(programFolder))
        return updateServer;
    log << "hopplix: updates are off: the program folder " << programFolder.string() << " is not writable\n";
    return {};
}

std::unique_ptr<DownloadLibrary> downloadsFor(std::string& updateServer, const std::filesystem::path& programFolder,
                                              const std::filesystem::path& caFile, std::ostream& log)
{
    if (updateServer.empty())
        return nullptr;
    auto library = std::make_unique<DownloadLibrary>(programFolder, caFile);
    if (library->downloader())
        return library;
    log << "hopplix: updates are off: " << library->error() << "\n";
    updateServer.clear();
    return nullptr;
}

} // namespace hopplix
