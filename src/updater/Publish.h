#pragma once
// The server side of an update: what hopplix-publish writes for a static web server.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopplix {

struct PublishedFile {
    std::filesystem::path source;
    std::string name;   // file name in the program folder
    std::string folder; // "" or a folder text such as "\Level\Neu\"
};

struct Publication {
    std::filesystem::path program;
    std::string version; // digits with an optional decimal comma, e.g. "1,1"
    std::string baseUrl; // where the output root is served, e.g. "http://updates.example.org"
    std::vector<PublishedFile> files;
    // An unencrypted minisign secret key file: when set, version.txt and updatedata.txt get
    // detached signatures beside them.
    std::filesystem::path secretKey{};
};

// "Level/Neu", "\Level\Neu\" -> "\Level\Neu\"; "" stays "".
std::string folderText(std::string_view folder);

// Percent-encodes everything but unreserved URL characters.
std::string urlEncoded(std::string_view text);

// The version file's text: one line, the nine-character label "Version: " and the version.
std::string versionFileText(std::string_view version);

// The manifest (UTF-8; written in ANSI): sections Namen, URL and Pfad with keys Datei1..n, and
// SHA256 and Bytes with the same keys and the key "Programm" for the program file, which an
// older updater passes over. nullopt when a file cannot be read.
std::optional<std::string> manifestText(const Publication& publication);

// Checks what a client would refuse; nullopt when all is well, else the reason.
std::optional<std::string> publicationProblem(const Publication& publication);

// Writes <root>/werkhof/Hopp/ with version.txt, Hopplix.txt, updatedata.txt and files/N/NAME
// for entry N of the manifest, and the two signatures when a secret key is given.
// Returns the reason when it could not.
std::optional<std::string> publish(const Publication& publication, const std::filesystem::path& root);

} // namespace hopplix
