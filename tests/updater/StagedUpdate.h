#pragma once
// A program folder with an update staged and ready to swap in: the old program `programFile`
// with "liesmich.txt" and one level, the new program as "Hopplix.dxe", and in the staging
// folder a new "liesmich.txt" and a second level.

#include "support/temp_folder.h"

#include <filesystem>
#include <string>

namespace hopplix::test {

inline void stageUpdate(const std::filesystem::path& folder, const std::string& programFile)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder / "Level" / "Eins");
    writeFile(folder / programFile, "old");
    writeFile(folder / "liesmich.txt", "alt");
    writeFile(folder / "Level" / "Eins" / "Level.bmp", "old level");
    writeFile(folder / "Hopplix.dxe", "new");
    const auto staged = folder / ".hopplix-staging" / "files";
    fs::create_directories(staged / "Level" / "Zwei");
    writeFile(staged / "Level" / "Zwei" / "Level.bmp", "second");
    writeFile(staged / "liesmich.txt", "neu");
}

} // namespace hopplix::test
