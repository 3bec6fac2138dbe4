#include "updater/Downloader.h"

#include "platform/Files.h"
#include "updater/Crypto.h"

#include <windows.h>
#include <winhttp.h>
// urlmon.h's function of that name would rename our member.
#undef URLDownloadToFile

#include <algorithm>
#include <cstdio>
#include <vector>

namespace hopplix {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Handle {
    HINTERNET value = nullptr;
    ~Handle()
    {
        if (value)
            ::WinHttpCloseHandle(value);
    }
};

std::wstring wide(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out.data(),
                              length);
    return out;
}

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

// Whether the server the request talked to presented exactly `der`.
bool presents(HINTERNET request, const std::string& der)
{
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (der.empty() || !::WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size)
        || !certificate)
        return false;
    const bool same = certificate->cbCertEncoded == der.size()
                      && std::equal(der.begin(), der.end(), reinterpret_cast<const char*>(certificate->pbCertEncoded));
    ::CertFreeCertificateContext(certificate);
    return same;
}

int timeoutMs(milliseconds ms) { return static_cast<int>(std::clamp<long long>(ms.count(), 1, 0x7fffffff)); }

} // namespace

WinHttpDownloader::WinHttpDownloader(DownloadLimits limits, const std::filesystem::path& pinnedCertificate)
    : limits_(limits), pinned_(!pinnedCertificate.empty()),
      pinnedDer_(pinned_ ? firstCertificate(pinnedCertificate) : std::string())
{
}

int WinHttpDownloader::URLDownloadToFile(const std::string& url, const std::filesystem::path& file,
                                         DownloadKind kind)
{
    const std::wstring address = wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (address.empty() || !::WinHttpCrackUrl(address.c_str(), 0, 0, &parts)
        || (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) || parts.dwHostNameLength == 0)
        return download_error::BadUrl;
    if (file.filename().empty())
        return download_error::LocalFile;

    // The transfer's own bound, and a deadline over several transfers, connecting included.
    auto end = Clock::now() + std::chrono::duration_cast<milliseconds>(limits_.totalTimeout(kind));
    if (deadline_)
        end = std::min(end, *deadline_);
    const auto left = [&] { return std::chrono::duration_cast<milliseconds>(end - Clock::now()); };
    if (left().count() <= 0)
        return download_error::Transfer;
    // Called before anything blocks, so a player who gave up is not kept waiting for a connection.
    const auto stillWanted = [&](std::uint64_t received, std::uint64_t total) {
        return !progress_ || progress_(received, total);
    };
    if (!stillWanted(0, 0))
        return download_error::Cancelled;

    Handle session, connection, request;
    session.value = ::WinHttpOpen(L"Hopplix-Updater", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session.value)
        return download_error::Transfer;
    const int connect = timeoutMs(std::min(std::chrono::duration_cast<milliseconds>(limits_.connectTimeout), left()));
    const int stall = timeoutMs(std::chrono::duration_cast<milliseconds>(limits_.stallTimeout));
    ::WinHttpSetTimeouts(session.value, connect, connect, std::min(stall, timeoutMs(left())),
                         std::min(stall, timeoutMs(left())));
    DWORD redirects = static_cast<DWORD>(std::max(limits_.maxRedirects, 0L));
    ::WinHttpSetOption(session.value, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);

    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = L"/";
    connection.value = ::WinHttpConnect(session.value, host.c_str(), parts.nPort, 0);
    request.value = connection.value ? ::WinHttpOpenRequest(connection.value, L"GET", path.c_str(), nullptr,
                                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                            parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE
                                                                                                    : 0)
                                     : nullptr;
    if (!request.value)
        return download_error::Transfer;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (secure && pinned_) {
        // The pinned certificate is compared whole once connected, which the store cannot vouch for.
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
        ::WinHttpSetOption(request.value, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    }
    // Only http and https are followed, as on Linux; WinHTTP knows no other scheme.
    if (!::WinHttpSendRequest(request.value, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)
        || !::WinHttpReceiveResponse(request.value, nullptr))
        return ::GetLastError() == ERROR_WINHTTP_REDIRECT_FAILED ? download_error::HttpStatus : download_error::Transfer;

    // Checked before a byte of the answer is taken.
    if (secure && pinned_ && !presents(request.value, pinnedDer_))
        return download_error::Transfer;
    DWORD status = 0, size = sizeof status;
    if (!::WinHttpQueryHeaders(request.value, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return download_error::Transfer;
    if (status < 200 || status > 299)
        return download_error::HttpStatus;
    const std::uint64_t cap = limits_.maxBytes(kind);
    std::uint64_t total = 0;
    wchar_t lengthText[32];
    DWORD lengthSize = sizeof lengthText;
    if (::WinHttpQueryHeaders(request.value, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, lengthText,
                              &lengthSize, WINHTTP_NO_HEADER_INDEX))
        total = std::wcstoull(lengthText, nullptr, 10);
    if (total > cap)
        return download_error::TooLarge;

    PartFile part(file);
    if (!part.stream())
        return download_error::LocalFile;
    std::vector<char> buffer(1 << 16);
    std::uint64_t received = 0;
    for (;;) {
        if (!stillWanted(received, total))
            return download_error::Cancelled;
        const auto remaining = left();
        if (remaining.count() <= 0)
            return download_error::Transfer;
        // No byte within the stall time, or past the transfer's end, ends the wait.
        int wait = std::min(stall, timeoutMs(remaining));
        ::WinHttpSetOption(request.value, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
        // Asked for what has arrived only: a read of a whole buffer waits until it is full.
        DWORD available = 0, got = 0;
        if (!::WinHttpQueryDataAvailable(request.value, &available))
            return download_error::Transfer;
        if (available > 0
            && !::WinHttpReadData(request.value, buffer.data(),
                                  std::min(available, static_cast<DWORD>(buffer.size())), &got))
            return download_error::Transfer;
        if (got == 0)
            break;
        if (received + got > cap)
            return download_error::TooLarge;
        if (std::fwrite(buffer.data(), 1, got, part.stream()) != got)
            return download_error::LocalFile;
        received += got;
    }
    // A body shorter than announced is a broken transfer, not a small file.
    if (total > 0 && received != total)
        return download_error::Transfer;
    if (!stillWanted(received, total))
        return download_error::Cancelled;
    return part.commit(file) ? 0 : download_error::LocalFile;
}

} // namespace hopplix
