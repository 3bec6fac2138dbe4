#include "updater/UpdateScript.h"

#include "common/Codepage.h"
#include "common/NameCase.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/HandOver.h"
#include "updater/DownloadLibrary.h"
#include "updater/SafePaths.h"
#include "updater/StagedInstall.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace hopplix {

namespace fs = std::filesystem;

std::string updateScriptLines(std::string_view programName)
{
    const std::string x(programName);
    const char q = '"';
    return "del " + std::string(1, q) + ".\\" + x + ".exe" + q + "\r\n" +             //
           "ren " + q + ".\\" + newProgramFileOf(x) + q + " " + x + ".exe" + "\r\n" + //
           "start .\\" + x + ".exe" + "\r\n";
}

bool makeupdatecmd(const fs::path& programFolder, std::string_view programName)
{
    const auto ansi = utf8ToWin1252(updateScriptLines(programName));
    // A link or a pipe of that name is refused: the lines land nowhere but in the folder.
    return ansi && appendToOrdinaryFile(programFolder / kUpdateScript, *ansi);
}

namespace {

// The non-empty lines of a script, without their line ends.
std::vector<std::string> scriptLines(const std::string& content)
{
    std::vector<std::string> lines;
    std::string current;
    for (char c : content) {
        if (c == '\r' || c == '\n') {
            if (!current.empty())
                lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

} // namespace

bool handsOverTo(const std::string& scriptContent, std::string_view programName)
{
    const auto ansi = utf8ToWin1252(updateScriptLines(programName));
    if (!ansi || !isPlainFileName(programName))
        return false;
    const auto block = scriptLines(*ansi);
    const auto lines = scriptLines(scriptContent);
    return lines.size() >= block.size() && std::equal(block.begin(), block.end(), lines.end() - 3);
}

bool handOverToScript(const fs::path& programFolder, std::string_view programName,
                      const std::function<bool(const fs::path& script)>& startScript, std::vector<std::string>& reports)
{
    const fs::path script = programFolder / kUpdateScript;
    const auto content = readOrdinaryFile(script, Links::Refuse);
    const auto block = utf8ToWin1252(updateScriptLines(programName));
    if (!content || !block || !handsOverTo(*content, programName)) {
        reports.push_back("refused: " + std::string(kUpdateScript) + " is not the hand-over to "
                          + std::string(programName));
        return false;
    }
    StagedInstall install(programFolder, std::string(programName));
    if (!install.install(reports, ProgramSwap::Script)) {
        install.rollBack();
        return false;
    }
    // Replaced whole: cmd.exe runs every line of the file, not only the last block.
    PartFile fresh(script);
    if (!fresh.stream() || std::fwrite(block->data(), 1, block->size(), fresh.stream()) != block->size()
        || !fresh.commit(script)) {
        reports.push_back("cannot write " + std::string(kUpdateScript));
        install.rollBack();
        return false;
    }
    if (!startScript(script)) {
        reports.push_back("cannot start " + std::string(kUpdateScript));
        install.rollBack();
        return false;
    }
    return true;
}

bool startHandOver(const fs::path& programFolder, std::string_view programName)
{
#ifdef _WIN32
    std::vector<std::string> reports;
    return handOverToScript(
        programFolder, programName,
        [name = std::string(programName)](const fs::path& script) { return startUpdateScript(script, name); }, reports);
#else
    return startUpdateScript(programFolder / kUpdateScript, programName);
#endif
}

ScriptRun runUpdateScript(const fs::path& programFolder, std::string_view programName, const ProgramControl& programs)
{
    ScriptRun run;
    // A swap a crash interrupted is finished or undone before anything else.
    recoverInterruptedSwap(programFolder);
    const fs::path script = programFolder / kUpdateScript;
    const auto content = readOrdinaryFile(script, Links::Refuse);
    if (!content || !handsOverTo(*content, programName)) {
        run.exitCode = 2;
        run.reports.push_back("refused: " + std::string(kUpdateScript) + " is not the hand-over to "
                              + std::string(programName));
        return run;
    }
    const std::string name(programName);
    const fs::path program = programFolder / name;
    StagedInstall install(programFolder, name);
    std::error_code present;
    const bool replacesLibrary = fs::exists(
        fs::symlink_status(programFolder / kStagingFolder / kStagedFiles / libraryFileName(kDownloadLibrary), present));
    std::int64_t started = 0;
    if (install.install(run.reports)) {
        // Without a downloader that loads, the new program could never update again.
        if (replacesLibrary && programs.libraryLoads && !programs.libraryLoads(programFolder))
            run.reports.push_back("the new " + libraryFileName(kDownloadLibrary) + " does not load");
        else
            started = programs.start(program);
        const auto deadline = std::chrono::steady_clock::now() + programs.bound;
        std::error_code ec;
        while (started != 0) {
            if (!fs::exists(fs::symlink_status(script, ec))) {
                install.finish();
                return run;
            }
            if (!programs.runs(started) || std::chrono::steady_clock::now() >= deadline)
                break;
            programs.pause();
        }
        if (started != 0 && !fs::exists(fs::symlink_status(script, ec))) {
            install.finish(); // it confirmed as it ended
            return run;
        }
        if (started != 0 && programs.runs(started))
            programs.stop(started);
        if (started != 0 || run.reports.empty())
            run.reports.push_back("the new " + name + " did not start");
    }
    run.exitCode = 1;
    install.rollBack();
    std::error_code ec;
    fs::remove(script, ec);
    run.reports.push_back("put the old version back");
    if (programs.start(program) == 0)
        run.reports.push_back("cannot start " + name);
    return run;
}

} // namespace hopplix
