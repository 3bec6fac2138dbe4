#include "platform/Files.h"
#include "updater/Downloader.h"

#include <algorithm>
#include <cstdio>
#include <curl/curl.h>
#include <mutex>

namespace hopplix {

namespace {

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool isWebUrl(const std::string& url)
{
    auto startsWith = [&](std::string_view prefix) {
        if (url.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

struct Transfer {
    std::FILE* out = nullptr;
    std::uint64_t received = 0;
    std::uint64_t cap = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    bool cancelled = false;
    const DownloadProgress* progress = nullptr;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (t.received + bytes > t.cap) {
        t.tooLarge = true;
        return 0; // makes curl stop with a write error
    }
    if (std::fwrite(data, 1, bytes, t.out) != bytes) {
        t.writeFailed = true;
        return 0;
    }
    t.received += bytes;
    return bytes;
}

int reportProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto& t = *static_cast<Transfer*>(user);
    if (t.progress && *t.progress
        && !(*t.progress)(static_cast<std::uint64_t>(now), static_cast<std::uint64_t>(total))) {
        t.cancelled = true;
        return 1; // makes curl stop
    }
    return 0;
}

struct CurlHandle {
    CURL* handle = curl_easy_init();
    ~CurlHandle()
    {
        if (handle)
            curl_easy_cleanup(handle);
    }
};

} // namespace

CurlDownloader::CurlDownloader(DownloadLimits limits, std::filesystem::path caFile)
    : limits_(limits), caFile_(std::move(caFile))
{
    initialiseCurlOnce();
}

int CurlDownloader::URLDownloadToFile(const std::string& url, const std::filesystem::path& file, DownloadKind kind)
{
    if (!isWebUrl(url))
        return download_error::BadUrl;
    if (file.filename().empty())
        return download_error::LocalFile;
    // A deadline over several transfers bounds this one too, its connecting included.
    auto connect = std::chrono::duration_cast<std::chrono::milliseconds>(limits_.connectTimeout);
    auto total = std::chrono::duration_cast<std::chrono::milliseconds>(limits_.totalTimeout(kind));
    if (deadline_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return download_error::Transfer;
        connect = std::min(connect, left);
        total = std::min(total, left);
    }
    CurlHandle curl;
    if (!curl.handle)
        return download_error::Transfer;
    PartFile part(file);
    if (!part.stream())
        return download_error::LocalFile;

    Transfer t;
    t.out = part.stream();
    t.cap = limits_.maxBytes(kind);
    t.progress = &progress_;

    CURL* h = curl.handle;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, limits_.maxRedirects);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(total.count()));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits_.stallTimeout.count()));
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(t.cap));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &reportProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Hopplix-Updater");
    if (!caFile_.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.c_str());

    const CURLcode rc = curl_easy_perform(h);
    if (t.cancelled)
        return download_error::Cancelled;
    if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
        return download_error::TooLarge;
    if (t.writeFailed)
        return download_error::LocalFile;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (rc == CURLE_HTTP_RETURNED_ERROR || (rc == CURLE_OK && (status < 200 || status > 299)))
        return download_error::HttpStatus;
    if (rc != CURLE_OK)
        return download_error::Transfer;
    return part.commit(file) ? 0 : download_error::LocalFile;
}

} // namespace hopplix
