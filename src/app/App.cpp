#include "app/App.h"

#include "app/Forms.h"
#include "common/Paths.h"
#include "forms/WindowSystem.h"
#include "platform/HandOver.h"
#include "updater/DownloadLibrary.h"

#include <cstdio>
#include <cstdlib>
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

int runLauncher(WindowSystem& windows, const PictureDecoder& pictures, const std::filesystem::path& ownFolder,
                UpdateWiring updates)
{
    Forms forms(Services{windows.keys(), windows.messages(), windows.beeper(), [&windows] { return windows.screen(); },
                         ownFolder,
                         [] {
                             // The program ends at once, as when the launcher is closed.
                             std::fflush(nullptr);
                             std::_Exit(0);
                         }},
                pictures);
    Services& services = forms.services();
    services.windows = &windows;
    services.downloader = updates.downloader;
    services.updateServer = std::move(updates.server);
    services.updateKey = std::move(updates.key);
    services.canStartUpdateScript = [](const std::filesystem::path& folder) { return canStartUpdateScript(folder); };
    services.startUpdateScript = std::move(updates.startUpdateScript);
    forms.form3().Show();
    return windows.run();
}

} // namespace hopplix
