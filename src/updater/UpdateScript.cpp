#include "updater/UpdateScript.h"

#include "common/Codepage.h"
#include "common/NameCase.h"
#include "updater/SafePaths.h"

#include <fstream>
#include <iterator>
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
    if (!ansi)
        return false;
    std::ofstream out(programFolder / kUpdateScript, std::ios::binary | std::ios::app);
    if (!out)
        return false;
    out << *ansi;
    out.close();
    return !out.fail();
}

namespace {

bool startsWithWord(std::string_view line, std::string_view word)
{
    return line.size() > word.size() && sameName(line.substr(0, word.size()), word)
           && line[word.size()] == ' ';
}

// ".\NAME" -> NAME as a file of the program folder.
std::optional<std::string> localName(std::string_view text)
{
    if (text.size() < 3 || text.substr(0, 2) != ".\\")
        return std::nullopt;
    return win1252ToUtf8(text.substr(2));
}

std::optional<std::string> programFileOf(std::string name)
{
    if (name.size() > 4 && sameName(std::string_view(name).substr(name.size() - 4), ".exe"))
        name.erase(name.size() - 4);
    if (!isPlainFileName(name))
        return std::nullopt;
    return name;
}

// True when a line after `index` renames a present ordinary file (not a link) to the name that
// line `index` deletes.
bool replacedLater(const fs::path& folder, const std::vector<ScriptCommand>& commands, std::size_t index)
{
    for (std::size_t k = index + 1; k < commands.size(); ++k) {
        const ScriptCommand& c = commands[k];
        std::error_code ec;
        if (c.kind == ScriptCommand::Kind::Rename && c.newName == commands[index].file
            && fs::is_regular_file(fs::symlink_status(folder / c.file, ec)))
            return true;
    }
    return false;
}

} // namespace

std::optional<ScriptCommand> parseScriptLine(std::string_view line)
{
    if (startsWithWord(line, "del")) {
        const std::string_view rest = line.substr(4);
        if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"')
            return std::nullopt;
        const auto name = localName(rest.substr(1, rest.size() - 2));
        const auto file = name ? programFileOf(*name) : std::nullopt;
        if (!file)
            return std::nullopt;
        return ScriptCommand{ScriptCommand::Kind::Delete, *file, {}};
    }
    if (startsWithWord(line, "ren")) {
        const std::string_view rest = line.substr(4);
        if (rest.empty() || rest.front() != '"')
            return std::nullopt;
        const auto close = rest.find('"', 1);
        if (close == std::string_view::npos || close + 2 > rest.size() || rest[close + 1] != ' ')
            return std::nullopt;
        const auto name = localName(rest.substr(1, close - 1));
        const auto from = name ? programFileOf(*name) : std::nullopt;
        const auto to = programFileOf(win1252ToUtf8(rest.substr(close + 2)));
        if (!from || !to)
            return std::nullopt;
        return ScriptCommand{ScriptCommand::Kind::Rename, *from, *to};
    }
    if (startsWithWord(line, "start")) {
        const auto name = localName(line.substr(6));
        const auto file = name ? programFileOf(*name) : std::nullopt;
        if (!file)
            return std::nullopt;
        return ScriptCommand{ScriptCommand::Kind::Start, *file, {}};
    }
    return std::nullopt;
}

std::vector<std::string> linesToRun(const std::string& scriptContent)
{
    std::vector<std::string> lines;
    std::string current;
    for (char c : scriptContent) {
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
    if (lines.size() > 3)
        lines.erase(lines.begin(), lines.end() - 3);
    return lines;
}

ScriptRun runUpdateScript(const fs::path& programFolder,
                          const std::function<bool(const fs::path& program)>& start)
{
    ScriptRun run;
    std::ifstream in(programFolder / kUpdateScript, std::ios::binary);
    if (!in) {
        run.exitCode = 2;
        run.reports.push_back(std::string(kUpdateScript) + " cannot be read");
        return run;
    }
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto lines = linesToRun(content);
    if (lines.size() < 3) {
        run.exitCode = 2;
        run.reports.push_back(std::string(kUpdateScript) + " holds no complete update");
        return run;
    }
    auto fail = [&](std::string report) {
        run.exitCode = 1;
        run.reports.push_back(std::move(report));
    };
    // Every line is checked before the first one runs: a refused line leaves everything as it was.
    std::vector<ScriptCommand> commands;
    for (const auto& line : lines) {
        const auto command = parseScriptLine(line);
        if (!command || !liesInside(programFolder, programFolder / command->file)
            || (command->kind == ScriptCommand::Kind::Rename
                && !liesInside(programFolder, programFolder / command->newName))) {
            run.exitCode = 2;
            run.reports.push_back("refused: " + win1252ToUtf8(line));
            return run;
        }
        commands.push_back(*command);
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const ScriptCommand* command = &commands[i];
        const fs::path file = programFolder / command->file;
        std::error_code ec;
        switch (command->kind) {
        case ScriptCommand::Kind::Delete:
            // The command interpreter would delete the program even when the new one is missing,
            // leaving the player with none: a file goes only when a later line puts one in its place.
            if (!replacedLater(programFolder, commands, i)) {
                fail("kept " + command->file + ": nothing is there to take its place");
                break;
            }
            if (fs::is_directory(fs::symlink_status(file, ec)) || !fs::remove(file, ec))
                fail("cannot delete " + command->file);
            break;
        case ScriptCommand::Kind::Rename: {
            const fs::path target = programFolder / command->newName;
            // Like the command interpreter's ren: an existing target is not replaced.
            if (fs::exists(fs::symlink_status(target, ec)) || !fs::is_regular_file(file, ec)) {
                fail("cannot rename " + command->file + " to " + command->newName);
                break;
            }
            fs::rename(file, target, ec);
            if (ec) {
                fail("cannot rename " + command->file + " to " + command->newName);
                break;
            }
            // Executable for whoever may read it.
            const fs::perms p = fs::status(target, ec).permissions();
            fs::perms exec = fs::perms::owner_exec;
            if ((p & fs::perms::group_read) != fs::perms::none)
                exec |= fs::perms::group_exec;
            if ((p & fs::perms::others_read) != fs::perms::none)
                exec |= fs::perms::others_exec;
            if (!ec)
                fs::permissions(target, exec, fs::perm_options::add, ec);
            if (ec)
                fail("cannot make " + command->newName + " executable");
            break;
        }
        case ScriptCommand::Kind::Start:
            if (!start(file))
                fail("cannot start " + command->file);
            break;
        }
    }
    return run;
}

} // namespace hopplix
