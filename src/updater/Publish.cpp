#include "updater/Publish.h"

#include "common/BuildVersion.h"
#include "common/Codepage.h"
#include "common/NameCase.h"
#include "platform/Files.h"
#include "updater/Downloader.h"
#include "updater/FileDigest.h"
#include "updater/Minisign.h"
#include "updater/SafePaths.h"
#include "updater/UpdateFiles.h"

#include <fstream>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

namespace hopplix {

namespace fs = std::filesystem;

namespace {

// copy_file's overwrite_existing fails on MinGW's libstdc++ when the target exists: the old
// copy goes first.
void copyReplacing(const fs::path& from, const fs::path& to, std::error_code& ec)
{
    fs::remove(to, ec);
    ec.clear();
    fs::copy_file(from, to, ec);
}

bool isVersionText(std::string_view v)
{
    const auto comma = v.find(',');
    const std::string_view whole = v.substr(0, comma);
    const std::string_view fraction = comma == std::string_view::npos ? std::string_view() : v.substr(comma + 1);
    auto digits = [](std::string_view d) {
        return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return digits(whole) && (comma == std::string_view::npos || digits(fraction));
}

// Where a file the client asks for by its server path lies below the output root.
fs::path servedFile(const fs::path& root, std::string_view serverPath)
{
    return root / fs::path(serverPath).relative_path();
}

// The server folder that holds the version file, the program and the manifest, with a '/' at
// each end ("/werkhof/Hopp/").
std::string serverFolder() { return std::string(kManifestPath.substr(0, kManifestPath.rfind('/') + 1)); }

// Each entry is served from a folder of its own, so files of one name for different folders
// (the Level.bmp of two new levels) can be published together.
std::string servedPath(std::size_t entry, const std::string& name)
{
    return "files/" + std::to_string(entry) + "/" + name;
}

std::string fileUrl(const Publication& p, std::size_t entry, const std::string& name)
{
    // Appended piece by piece: a sum of strings here makes GCC 12 warn wrongly (-Wrestrict) when
    // it optimises hard.
    std::string url = p.baseUrl;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    url += serverFolder();
    url += servedPath(entry, urlEncoded(name));
    return url;
}

bool writeBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return !out.fail();
}

} // namespace

std::string folderText(std::string_view folder)
{
    std::string out;
    std::string piece;
    auto flush = [&] {
        if (!piece.empty())
            out += "\\" + piece;
        piece.clear();
    };
    for (char c : folder) {
        if (c == '/' || c == '\\')
            flush();
        else
            piece += c;
    }
    flush();
    return out.empty() ? out : out + "\\";
}

std::string urlEncoded(std::string_view text)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string versionFileText(std::string_view version) { return "Version: " + std::string(version) + "\r\n"; }

std::optional<std::string> manifestText(const Publication& p)
{
    std::string namen = "[Namen]\r\n", urls = "[URL]\r\n", pfad = "[Pfad]\r\n";
    std::string hashes = "[SHA256]\r\n", sizes = "[Bytes]\r\n";
    auto addDigest = [&](const std::string& key, const fs::path& file) {
        const auto digest = digestOf(file);
        if (digest) {
            hashes += key + digest->sha256 + "\r\n";
            sizes += key + std::to_string(digest->bytes) + "\r\n";
        }
        return digest.has_value();
    };
    if (!addDigest(std::string(kProgramDigestKey) + "=", p.program))
        return std::nullopt;
    for (std::size_t i = 0; i < p.files.size(); ++i) {
        const std::string key = "Datei" + std::to_string(i + 1) + "=";
        namen += key + p.files[i].name + "\r\n";
        urls += key + fileUrl(p, i + 1, p.files[i].name) + "\r\n";
        pfad += key + p.files[i].folder + "\r\n";
        if (!addDigest(key, p.files[i].source))
            return std::nullopt;
    }
    // The version this manifest delivers: the updater takes it only with that version file.
    const std::string version = "[" + std::string(kManifestVersionSection) + "]\r\n" + std::string(kManifestVersionKey)
                                + "=" + p.version + "\r\n";
    return version + "\r\n" + namen + "\r\n" + urls + "\r\n" + pfad + "\r\n" + hashes + "\r\n" + sizes;
}

std::optional<std::string> publicationProblem(const Publication& p)
{
    if (!isVersionText(p.version))
        return "the version must be digits with an optional decimal comma, e.g. 1,1: " + p.version;
    if (p.baseUrl.rfind("http://", 0) != 0 && p.baseUrl.rfind("https://", 0) != 0)
        return "the base URL must start with http:// or https://: " + p.baseUrl;
    if (!fs::is_regular_file(p.program))
        return "no program file: " + p.program.string();
    // A program that says it is another version would be offered the same update at every start.
    const auto programBytes = readOrdinaryFile(p.program);
    const auto own = programBytes ? versionRecordedIn(*programBytes) : std::nullopt;
    if (!own)
        return "the program does not say which version it is (build it with -DHOPPLIX_VERSION=" + p.version
               + "): " + p.program.string();
    if (*own != p.version)
        return "the program is version " + *own + ", not " + p.version
               + " (build it with -DHOPPLIX_VERSION=" + p.version + ")";
    std::set<std::pair<std::vector<std::string>, std::string>> targets;
    for (const auto& f : p.files) {
        if (!fs::is_regular_file(f.source))
            return "no such file: " + f.source.string();
        if (!isPlainFileName(f.name) || isProtectedName(f.name, "Hopplix"))
            return "the updater would refuse the name: " + f.name;
        if (!utf8ToWin1252(f.name) || !utf8ToWin1252(f.folder))
            return "not writable in Windows-1252: " + f.name + " " + f.folder;
        const auto components = folderComponents(f.folder);
        if (!components)
            return "the updater would refuse the folder: " + f.folder;
        if (f.name.size() > 255)
            return "the name is too long for a file system: " + f.name;
        std::vector<std::string> folded;
        for (const auto& c : *components)
            folded.push_back(lowerName(c));
        if (!targets.insert({folded, lowerName(f.name)}).second)
            return "two files would land in the same place: " + f.folder + f.name;
    }
    const auto manifest = manifestText(p);
    if (!manifest)
        return "cannot read the files to publish";
    if (manifest->size() > DownloadLimits{}.manifestMaxBytes)
        return "the manifest is larger than the updater takes ("
               + std::to_string(DownloadLimits{}.manifestMaxBytes >> 20) + " MiB)";
    return std::nullopt;
}

std::optional<std::string> publish(const Publication& p, const fs::path& root)
{
    if (auto problem = publicationProblem(p))
        return problem;
    const fs::path hopp = servedFile(root, kManifestPath).parent_path();
    std::error_code ec;
    fs::remove_all(hopp / "files", ec);
    fs::create_directories(hopp / "files", ec);
    if (ec)
        return "cannot create " + (hopp / "files").string();
    std::optional<MinisignSecretKey> key;
    if (!p.secretKey.empty()) {
        std::string problem;
        const auto keyText = readOrdinaryFile(p.secretKey);
        key = keyText ? parseMinisignSecretKey(*keyText, problem) : std::nullopt;
        if (!key)
            return "cannot sign with " + p.secretKey.string() + ": " + (keyText ? problem : "cannot read it");
    }
    const auto text = manifestText(p);
    const auto manifest = text ? utf8ToWin1252(*text) : std::nullopt;
    const std::string version = versionFileText(p.version);
    if (!writeBytes(servedFile(root, kVersionFilePath), version) || !manifest
        || !writeBytes(servedFile(root, kManifestPath), *manifest))
        return "cannot write into " + hopp.string();
    auto signatureOf = [](std::string_view path) { return std::string(path) + std::string(kSignatureSuffix); };
    for (const auto& [path, content] : {std::pair{kVersionFilePath, version}, std::pair{kManifestPath, *manifest}}) {
        fs::remove(servedFile(root, signatureOf(path)), ec);
        if (key
            && !writeBytes(servedFile(root, signatureOf(path)),
                           minisignSign(*key, content, fs::path(path).filename().string())))
            return "cannot write into " + hopp.string();
    }
    copyReplacing(p.program, servedFile(root, kProgramFilePath), ec);
    if (ec)
        return "cannot copy the program: " + ec.message();
    for (std::size_t i = 0; i < p.files.size(); ++i) {
        const auto& f = p.files[i];
        const fs::path served = hopp / servedPath(i + 1, f.name);
        fs::create_directories(served.parent_path(), ec);
        if (!ec)
            copyReplacing(f.source, served, ec);
        if (ec)
            return "cannot copy " + f.source.string() + ": " + ec.message();
    }
    return std::nullopt;
}

} // namespace hopplix
