#include "updater/SafePaths.h"

#include "common/Codepage.h"
#include "common/NameCase.h"
#include "platform/HandOver.h"
#include "updater/UpdateFiles.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace hopplix {

namespace {

bool hasControlCharacter(std::string_view text)
{
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return true;
    }
    return false;
}

} // namespace

bool isPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || hasControlCharacter(name))
        return false;
    return name.find_first_of("/\\:") == std::string_view::npos;
}

bool isProtectedName(std::string_view name, std::string_view programName)
{
    const std::string program(programName);
    const std::string programFile = program + ".exe";
    const std::string newProgram = newProgramFileOf(program);
    for (const std::string_view reserved :
         {std::string_view(program), std::string_view(programFile), std::string_view(newProgram), kNewProgramFile,
          kUpdateScript, kManifestFile, kUpdateRunner, kStagingFolder, kBackupFolder, kSwapJournal, kSwapLock}) {
        if (sameName(name, reserved))
            return true;
    }
    return false;
}

std::optional<std::vector<std::string>> folderComponents(std::string_view folderText)
{
    if (hasControlCharacter(folderText) || folderText.find(':') != std::string_view::npos)
        return std::nullopt;
    if (!folderText.empty() && folderText.front() == '/')
        return std::nullopt;
    if (folderText.size() >= 2 && (folderText[0] == '\\' || folderText[0] == '/')
        && (folderText[1] == '\\' || folderText[1] == '/'))
        return std::nullopt;
    std::vector<std::string> parts;
    std::string piece;
    auto flush = [&]() -> bool {
        if (piece == "." || piece == "..")
            return false;
        if (!piece.empty())
            parts.push_back(piece);
        piece.clear();
        return true;
    };
    for (char c : folderText) {
        if (c == '\\' || c == '/') {
            if (!flush())
                return std::nullopt;
        } else {
            piece += c;
        }
    }
    if (!flush())
        return std::nullopt;
    return parts;
}

bool liesInside(const std::filesystem::path& root, const std::filesystem::path& path)
{
    std::error_code ec;
    const auto base = std::filesystem::weakly_canonical(root, ec);
    if (ec)
        return false;
    const auto resolved = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        return false;
    // Compared part by part: Windows separates by backslashes, and a trailing separator
    // leaves an empty last part.
    std::vector<std::filesystem::path> outer(base.begin(), base.end()), inner(resolved.begin(), resolved.end());
    while (!outer.empty() && outer.back().empty())
        outer.pop_back();
    while (!inner.empty() && inner.back().empty())
        inner.pop_back();
    return inner.size() > outer.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

} // namespace hopplix
