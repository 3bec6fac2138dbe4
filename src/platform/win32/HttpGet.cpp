#include "platform/HttpGet.h"

#include "platform/win32/WideText.h"

// windows.h before the other Windows headers, which need it; WIN32_LEAN_AND_MEAN leaves the
// certificate calls out of it, hence wincrypt.h.
#include <windows.h>
#include <algorithm>
#include <cwchar>
#include <vector>
#include <wincrypt.h>
#include <winhttp.h>

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

int timeoutMs(milliseconds ms) { return static_cast<int>(std::clamp<long long>(ms.count(), 1, 0x7fffffff)); }

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

milliseconds timeLeft(const HttpGet& get) { return std::chrono::duration_cast<milliseconds>(get.end - Clock::now()); }

// The handles of one exchange, closed request first.
struct Exchange {
    Handle session, connection, request;
};

// Sends the request the parts of a web address name and waits for the answer's headers.
bool send(const URL_COMPONENTS& parts, const HttpGet& get, Exchange& exchange)
{
    exchange.session.value = ::WinHttpOpen(L"Hopplix-Updater", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                           WINHTTP_NO_PROXY_BYPASS, 0);
    if (!exchange.session.value)
        return false;
    const int connect = timeoutMs(std::min(get.connectTimeout, timeLeft(get)));
    const int stall = timeoutMs(get.stallTimeout);
    ::WinHttpSetTimeouts(exchange.session.value, connect, connect, std::min(stall, timeoutMs(timeLeft(get))),
                         std::min(stall, timeoutMs(timeLeft(get))));
    DWORD redirects = static_cast<DWORD>(std::max(get.maxRedirects, 0L));
    ::WinHttpSetOption(exchange.session.value, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                       sizeof redirects);

    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = L"/";
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    exchange.connection.value = ::WinHttpConnect(exchange.session.value, host.c_str(), parts.nPort, 0);
    if (exchange.connection.value)
        exchange.request.value =
            ::WinHttpOpenRequest(exchange.connection.value, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                 WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0);
    if (!exchange.request.value)
        return false;
    if (secure && get.pinnedCertificate) {
        // The pinned certificate is compared whole once connected, which the store cannot vouch for.
        DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
        ::WinHttpSetOption(exchange.request.value, WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    }
    // WinHTTP follows only http and https, as the Linux downloader does.
    if (!::WinHttpSendRequest(exchange.request.value, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                              0)
        || !::WinHttpReceiveResponse(exchange.request.value, nullptr))
        return false;
    // Checked before a byte of the answer is taken.
    return !secure || !get.pinnedCertificate || presents(exchange.request.value, *get.pinnedCertificate);
}

// The status and the announced length (0 when none) of an answer.
bool readHeaders(HINTERNET request, DWORD& status, std::uint64_t& length)
{
    DWORD size = sizeof status;
    if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return false;
    wchar_t lengthText[32];
    DWORD lengthSize = sizeof lengthText;
    if (::WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, lengthText,
                              &lengthSize, WINHTTP_NO_HEADER_INDEX))
        length = std::wcstoull(lengthText, nullptr, 10);
    return true;
}

HttpOutcome readBody(HINTERNET request, const HttpGet& get, std::uint64_t length)
{
    const int stall = timeoutMs(get.stallTimeout);
    std::vector<char> buffer(1 << 16);
    std::uint64_t received = 0;
    for (;;) {
        if (get.goOn && !get.goOn())
            return HttpOutcome::Stopped;
        const auto remaining = timeLeft(get);
        if (remaining.count() <= 0)
            return HttpOutcome::Failed;
        // No byte within the stall time, or past the end, ends the wait.
        int wait = std::min(stall, timeoutMs(remaining));
        ::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
        // Asked for what has arrived only: a read of a whole buffer waits until it is full.
        DWORD available = 0, got = 0;
        if (!::WinHttpQueryDataAvailable(request, &available))
            return HttpOutcome::Failed;
        if (available > 0
            && !::WinHttpReadData(request, buffer.data(), std::min(available, static_cast<DWORD>(buffer.size())), &got))
            return HttpOutcome::Failed;
        if (got == 0)
            break;
        received += got;
        if (get.body && !get.body(buffer.data(), got))
            return HttpOutcome::Stopped;
    }
    // A body shorter than announced is a broken transfer, not a small file.
    return length > 0 && received != length ? HttpOutcome::Failed : HttpOutcome::Complete;
}

} // namespace

HttpOutcome httpGet(const std::string& url, const HttpGet& get)
{
    const std::wstring address = win32::toWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (address.empty() || !::WinHttpCrackUrl(address.c_str(), 0, 0, &parts)
        || (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        || parts.dwHostNameLength == 0)
        return HttpOutcome::NotWeb;
    if (timeLeft(get).count() <= 0)
        return HttpOutcome::Failed;
    if (get.goOn && !get.goOn())
        return HttpOutcome::Stopped;
    Exchange exchange;
    if (!send(parts, get, exchange))
        return HttpOutcome::Failed;
    DWORD status = 0;
    std::uint64_t length = 0;
    if (!readHeaders(exchange.request.value, status, length))
        return HttpOutcome::Failed;
    if (get.headers && !get.headers(static_cast<int>(status), length))
        return HttpOutcome::Stopped;
    return readBody(exchange.request.value, get, length);
}

} // namespace hopplix
