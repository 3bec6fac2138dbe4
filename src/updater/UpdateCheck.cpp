#include "updater/UpdateCheck.h"

#include "common/Codepage.h"
#include "common/NameCase.h"
#include "platform/Files.h"
#include "updater/Minisign.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <system_error>

namespace hopplix {

namespace {

// 32-bit float of a number text; nullopt when it is no number or does not fit.
std::optional<float> singleOf(std::string_view text, const NumberFormat& format)
{
    const auto value = textToNumber(text, format);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > FLT_MAX)
        return std::nullopt;
    return static_cast<float>(*value);
}

} // namespace

std::string serverUrl(const UpdateSetup& setup, std::string_view path)
{
    std::string base = setup.serverBaseUrl;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    if (!path.empty() && path.front() != '/')
        base += '/';
    return base + std::string(path);
}

std::string Versionlesen(const std::filesystem::path& file)
{
    const auto bytes = readOrdinaryFile(file, Links::Refuse);
    if (!bytes)
        return {};
    const std::string& content = *bytes;
    std::string last;
    std::string current;
    bool pending = false; // a line has started since the last line end
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
                ++i;
            last = current;
            current.clear();
            pending = false;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending)
        last = current;
    // The label is nine ANSI characters, one byte each.
    if (last.size() < 9)
        return {};
    return win1252ToUtf8(std::string_view(last).substr(9));
}

bool isNewerVersion(std::string_view remote, std::string_view installed, const NumberFormat& format)
{
    const auto r = singleOf(remote, format);
    const auto i = singleOf(installed, format);
    return r && i && *r > *i;
}

std::optional<std::int64_t> signatureTime(std::string_view signatureText)
{
    constexpr std::string_view trusted = "\ntrusted comment: ";
    const auto line = signatureText.find(trusted);
    if (line == std::string_view::npos)
        return std::nullopt;
    std::string_view comment = signatureText.substr(line + trusted.size());
    comment = comment.substr(0, comment.find_first_of("\r\n"));
    // Tab-separated fields; the time is the one named so.
    constexpr std::string_view field = "timestamp:";
    for (std::size_t start = 0; start <= comment.size();) {
        const auto end = std::min(comment.find('\t', start), comment.size());
        const std::string_view item = comment.substr(start, end - start);
        if (item.substr(0, field.size()) == field) {
            const std::string_view digits = item.substr(field.size());
            std::int64_t value = 0;
            const auto [at, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (error != std::errc() || at != digits.data() + digits.size() || digits.empty() || value < 0)
                return std::nullopt;
            return value;
        }
        start = end + 1;
    }
    return std::nullopt;
}

VersionCheck checkForNewerVersion(const UpdateSetup& setup, Downloader& downloader, std::string_view installedVersion,
                                  const NumberFormat& format, std::string& neueVersion)
{
    if (setup.serverBaseUrl.empty())
        return VersionCheck::NoServer;
    // The launcher waits for the check: a slow server holds it back by the budget at most.
    struct Budget {
        Downloader& downloader;
        ~Budget() { downloader.setDeadline(std::nullopt); }
    } budget{downloader};
    downloader.setDeadline(std::chrono::steady_clock::now() + kVersionCheckBudget);
    const auto local = setup.programFolder / kLocalVersionFile;
    // A failed download leaves a Version.txt that was there before as it was.
    if (downloader.URLDownloadToFile(serverUrl(setup, kVersionFilePath), local, DownloadKind::Small) != 0)
        return VersionCheck::DownloadFailed;
    struct RemoveAfterwards {
        std::filesystem::path path;
        ~RemoveAfterwards()
        {
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    } cleanup{local};
    if (!setup.publicKey.empty()) {
        const auto key = parseMinisignPublicKey(setup.publicKey);
        const auto signatureFile =
            setup.programFolder / (std::string(kLocalVersionFile) + std::string(kSignatureSuffix));
        if (!key
            || downloader.URLDownloadToFile(
                   serverUrl(setup, std::string(kVersionFilePath) + std::string(kSignatureSuffix)), signatureFile,
                   DownloadKind::Small)
                   != 0)
            return VersionCheck::NotTrusted;
        const RemoveAfterwards signatureCleanup{signatureFile};
        const auto content = readOrdinaryFile(local, Links::Refuse);
        const auto signature = readOrdinaryFile(signatureFile, Links::Refuse);
        if (!content || !signature || !minisignVerify(*key, *content, *signature))
            return VersionCheck::NotTrusted;
        const auto signedAt = signatureTime(*signature);
        if (!signedAt || *signedAt < setup.releaseTime)
            return VersionCheck::NotTrusted;
    }
    neueVersion = Versionlesen(local);
    return isNewerVersion(neueVersion, installedVersion, format) ? VersionCheck::Newer : VersionCheck::NotNewer;
}

} // namespace hopplix
