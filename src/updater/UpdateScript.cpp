#include "updater/UpdateScript.h"

#include "common/Codepage.h"
#include "platform/Files.h"
#include "updater/NameCase.h"
#include "updater/SafePaths.h"

#include <algorithm>
#include <system_error>

namespace hopplix {

namespace fs = std::filesystem;

std::string updateScriptLines(std::string_view programName)
{
    const std::string x(programName);
    const char q = '"';
    return "del " + std::string(1, q) + ".\\" + x + ".exe" + q + "\r\n" + //
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

bool makeExecutable(const fs::path& file)
{
    // Executable for whoever may read it.
    std::error_code ec;
    const fs::perms p = fs::status(file, ec).permissions();
    fs::perms exec = fs::perms::owner_exec;
    if ((p & fs::perms::group_read) != fs::perms::none)
        exec |= fs::perms::group_exec;
    if ((p & fs::perms::others_read) != fs::perms::none)
        exec |= fs::perms::others_exec;
    if (!ec)
        fs::permissions(file, exec, fs::perm_options::add, ec);
    return !ec;
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

ScriptRun runUpdateScript(const fs::path& programFolder, std::string_view programName,
                          const std::function<bool(const fs::path& program)>& start)
{
    ScriptRun run;
    const auto content = readOrdinaryFile(programFolder / kUpdateScript, Links::Refuse);
    if (!content || !handsOverTo(*content, programName)) {
        run.exitCode = 2;
        run.reports.push_back("refused: " + std::string(kUpdateScript) + " is not the hand-over to " +
                              std::string(programName));
        return run;
    }
    auto fail = [&](std::string report) {
        run.exitCode = 1;
        run.reports.push_back(std::move(report));
    };
    const std::string name(programName);
    const fs::path program = programFolder / name;
    const fs::path successor = programFolder / newProgramFileOf(name);
    std::error_code ec;
    // del, then ren: only with a successor in place, and never over a folder or through a link.
    if (!fs::is_regular_file(fs::symlink_status(successor, ec))) {
        fail("kept " + name + ": nothing is there to take its place");
    } else if (fs::is_directory(fs::symlink_status(program, ec))
               || (fs::remove(program, ec), ec)) {
        fail("cannot delete " + name);
    } else {
        fs::rename(successor, program, ec);
        if (ec)
            fail("cannot rename " + newProgramFileOf(name) + " to " + name);
        else if (!makeExecutable(program))
            fail("cannot make " + name + " executable");
    }
    if (!start(program))
        fail("cannot start " + name);
    return run;
}

} // namespace hopplix
