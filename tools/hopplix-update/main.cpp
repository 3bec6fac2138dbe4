// hopplix-update PROGRAM_FOLDER PID PROGRAM
// Waits for the program (process PID, file PROGRAM in PROGRAM_FOLDER) to end, then carries out
// PROGRAM_FOLDER/update.cmd when it is the hand-over to that program: the old program file
// goes, the downloaded one takes its name and is started.

#include "platform/Process.h"
#include "updater/DownloadLibrary.h"
#include "updater/UpdateScript.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: hopplix-update PROGRAM_FOLDER PID PROGRAM\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::string_view pidText = argv[2];
    hopplix::ProcessId pid = 0;
    const auto [end, error] = std::from_chars(pidText.data(), pidText.data() + pidText.size(), pid);
    if (error != std::errc() || end != pidText.data() + pidText.size() || pid < 0) {
        std::fprintf(stderr, "hopplix-update: not a process id: %s\n", argv[2]);
        return 2;
    }
    if (!folder.is_absolute() || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "hopplix-update: not a program folder: %s\n", argv[1]);
        return 2;
    }
    if (!hopplix::waitForProcessEnd(pid, std::chrono::seconds(30))) {
        std::fprintf(stderr, "hopplix-update: the program did not end; update.cmd not run\n");
        return 3;
    }
    const std::string_view programName = argv[3];
    hopplix::ProgramControl programs;
    programs.start = [&](const std::filesystem::path& program) { return hopplix::startWatched(program, {}, folder); };
    programs.runs = [](std::int64_t id) { return hopplix::processRuns(id); };
    programs.stop = [](std::int64_t id) { hopplix::endProcess(id); };
    programs.pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
    programs.libraryLoads = [](const std::filesystem::path& programFolder) {
        return hopplix::DownloadLibrary(programFolder).downloader() != nullptr;
    };
    const auto run = hopplix::runUpdateScript(folder, programName, programs);
    for (const auto& report : run.reports)
        std::fprintf(stderr, "hopplix-update: %s\n", report.c_str());
    return run.exitCode;
}
