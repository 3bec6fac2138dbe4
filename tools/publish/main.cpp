// hopplix-publish --program FILE --version 1,1 --base-url URL [--file SRC[@FOLDER]]...
//                 [--sign SECRET_KEY_FILE] OUTPUT
// Writes OUTPUT/werkhof/Hopp/ (version.txt, Hopplix.txt, updatedata.txt, files/) so that a
// static web server serving OUTPUT at URL offers the update.

#include "updater/Publish.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: hopplix-publish --program FILE --version 1,1 --base-url URL "
                         "[--file SRC[@FOLDER]]... [--sign SECRET_KEY_FILE] OUTPUT\n"
                         "  FOLDER is relative to the program folder, e.g. Level/Neu\n"
                         "  SECRET_KEY_FILE is an unencrypted minisign key (minisign -G -W)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    hopplix::Publication p;
    std::filesystem::path output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--program" && hasValue) {
            p.program = argv[++i];
        } else if (arg == "--version" && hasValue) {
            p.version = argv[++i];
        } else if (arg == "--sign" && hasValue) {
            p.secretKey = argv[++i];
        } else if (arg == "--base-url" && hasValue) {
            p.baseUrl = argv[++i];
        } else if (arg == "--file" && hasValue) {
            const std::string fileArg = argv[++i];
            const auto at = fileArg.rfind('@');
            hopplix::PublishedFile f;
            f.source = fileArg.substr(0, at);
            f.name = f.source.filename().string();
            f.folder = at == std::string::npos ? std::string() : hopplix::folderText(fileArg.substr(at + 1));
            p.files.push_back(f);
        } else if (!arg.empty() && arg[0] != '-' && output.empty()) {
            output = arg;
        } else {
            return usage();
        }
    }
    if (output.empty() || p.program.empty() || p.version.empty() || p.baseUrl.empty())
        return usage();
    if (const auto problem = hopplix::publish(p, output)) {
        std::fprintf(stderr, "hopplix-publish: %s\n", problem->c_str());
        return 1;
    }
    std::printf("published version %s with %zu file(s) in %s\n", p.version.c_str(), p.files.size(),
                (output / "werkhof" / "Hopp").c_str());
    return 0;
}
