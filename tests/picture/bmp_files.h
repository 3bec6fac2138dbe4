#pragma once
// The bitmaps the picture tests read: the seed corpus (fuzz/corpus/bmp, written by
// tools/bmpcorpus/make_bmp_corpus.py) and the bundled levels.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace hopplix::test {

inline std::vector<std::filesystem::path> bmpFilesIn(const std::filesystem::path& folder, bool recursive)
{
    std::vector<std::filesystem::path> files;
    const auto add = [&](const std::filesystem::directory_entry& e) {
        if (e.is_regular_file() && e.path().extension() == ".bmp")
            files.push_back(e.path());
    };
    if (recursive)
        std::for_each(std::filesystem::recursive_directory_iterator(folder), {}, add);
    else
        std::for_each(std::filesystem::directory_iterator(folder), {}, add);
    std::sort(files.begin(), files.end());
    return files;
}

// Every corpus file and every bundled level picture.
inline std::vector<std::filesystem::path> referenceBitmaps()
{
    auto files = bmpFilesIn(HOPPLIX_BMP_CORPUS_DIR, false);
    const auto levels = bmpFilesIn(HOPPLIX_LEVELS_DIR, true);
    files.insert(files.end(), levels.begin(), levels.end());
    return files;
}

// The twin that holds the same pixels as a plain bitmap, when the corpus has one.
inline std::filesystem::path twinOf(const std::filesystem::path& file)
{
    auto twin = file;
    twin.replace_extension(".plain.bmp");
    return std::filesystem::exists(twin) ? twin : std::filesystem::path();
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A test name from a path: its folder and file name, letters and digits only.
inline std::string testName(const std::filesystem::path& file)
{
    std::string name = file.parent_path().filename().string() + "_" + file.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

} // namespace hopplix::test
