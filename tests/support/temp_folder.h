#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it, and the
// few file helpers the tests around it need.

#include "platform/PathText.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace hopplix::test {

class TempFolder {
public:
    TempFolder()
    {
        std::random_device entropy;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            auto folder = base / ("hopplix-test-" + std::to_string(entropy()));
            if (std::filesystem::create_directory(folder))
                path_ = std::move(folder);
        }
        if (path_.empty())
            throw std::runtime_error("no temporary folder could be made");
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes `bytes` as they are (no encoding, no line-end translation).
    std::filesystem::path write(const std::string& name, std::string_view bytes) const
    {
        const auto file = path_ / pathFromText(name);
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// Replaces the file's content with `content`, byte for byte.
inline void writeFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every entry below `root` (links not followed), with the content of files, as one set: two
// listings compare equal only when nothing below `root` was added, removed or changed.
inline std::set<std::string> listing(const std::filesystem::path& root)
{
    std::set<std::string> entries;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const auto rel = std::filesystem::relative(it->path(), root).string();
        if (it->is_symlink())
            entries.insert(rel + " -> " + std::filesystem::read_symlink(it->path()).string());
        else if (it->is_regular_file())
            entries.insert(rel + " = " + readFile(it->path()));
        else
            entries.insert(rel + "/");
    }
    return entries;
}

} // namespace hopplix::test
