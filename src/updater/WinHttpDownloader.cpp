#include "platform/Files.h"
#include "platform/HttpGet.h"
#include "updater/Crypto.h"
#include "updater/Downloader.h"

#include <cstdio>

namespace hopplix {

namespace {

// The first certificate of a PEM file, as DER; empty when there is none.
std::string firstCertificate(const std::filesystem::path& pemFile)
{
    const auto text = readOrdinaryFile(pemFile, Links::Follow);
    if (!text)
        return {};
    const std::string begin = "-----BEGIN CERTIFICATE-----", end = "-----END CERTIFICATE-----";
    const auto from = text->find(begin), to = text->find(end);
    if (from == std::string::npos || to == std::string::npos || to < from)
        return {};
    std::string base64;
    for (std::size_t i = from + begin.size(); i < to; ++i)
        if ((*text)[i] != '\r' && (*text)[i] != '\n')
            base64 += (*text)[i];
    const auto der = crypto::fromBase64(base64);
    return der ? std::string(der->begin(), der->end()) : std::string();
}

} // namespace

WinHttpDownloader::WinHttpDownloader(DownloadLimits limits, const std::filesystem::path& pinnedCertificate)
    : limits_(limits), pinned_(!pinnedCertificate.empty()),
      pinnedDer_(pinned_ ? firstCertificate(pinnedCertificate) : std::string())
{}

int WinHttpDownloader::URLDownloadToFile(const std::string& url, const std::filesystem::path& file, DownloadKind kind)
{
    if (file.filename().empty())
        return download_error::LocalFile;
    using std::chrono::milliseconds;
    HttpGet get;
    get.connectTimeout = std::chrono::duration_cast<milliseconds>(limits_.connectTimeout);
    get.stallTimeout = std::chrono::duration_cast<milliseconds>(limits_.stallTimeout);
    // The transfer's own bound, and a deadline over several transfers.
    get.end = std::chrono::steady_clock::now() + limits_.totalTimeout(kind);
    if (deadline_)
        get.end = std::min(get.end, *deadline_);
    get.maxRedirects = limits_.maxRedirects;
    if (pinned_)
        get.pinnedCertificate = pinnedDer_;

    const std::uint64_t cap = limits_.maxBytes(kind);
    std::uint64_t received = 0, total = 0;
    int failure = 0; // what stopped the transfer, when we did
    std::optional<PartFile> part;
    get.goOn = [&] {
        if (progress_ && !progress_(received, total))
            failure = download_error::Cancelled;
        return failure == 0;
    };
    get.headers = [&](int status, std::uint64_t length) {
        total = length;
        // A redirect left unfollowed is one beyond the limit: a transfer error, as libcurl has it.
        if (status >= 300 && status <= 399)
            failure = download_error::Transfer;
        else if (status < 200 || status > 299)
            failure = download_error::HttpStatus;
        else if (length > cap)
            failure = download_error::TooLarge;
        else if (!part.emplace(file).stream())
            failure = download_error::LocalFile;
        return failure == 0;
    };
    get.body = [&](const char* data, std::size_t size) {
        if (received + size > cap)
            failure = download_error::TooLarge;
        else if (std::fwrite(data, 1, size, part->stream()) != size)
            failure = download_error::LocalFile;
        received += size;
        return failure == 0;
    };
    switch (httpGet(url, get)) {
    case HttpOutcome::NotWeb: return download_error::BadUrl;
    case HttpOutcome::Failed: return download_error::Transfer;
    case HttpOutcome::Stopped: return failure;
    case HttpOutcome::Complete: break;
    }
    if (!get.goOn())
        return failure;
    return part && part->commit(file) ? 0 : download_error::LocalFile;
}

} // namespace hopplix
