#pragma once
// The install tests' server under Wine: files in memory and a downloader that fetches from them.
// cpp-httplib is a Linux library here; the WinHTTP downloader has tests of its own against a
// real server. The downloader keeps the real ones' results: caps, error status, giving up.

#include "platform/Files.h"
#include "updater/Downloader.h"

#include <cstdio>
#include <map>
#include <string>
#include <thread>

namespace hopplix::test {

class TestServer {
public:
    std::string baseUrl() const { return "http://127.0.0.1:1"; }
    std::string url(const std::string& path) const { return baseUrl() + path; }
    void serve(const std::string& path, std::string body) { routes_[path] = {200, std::move(body)}; }
    void status(const std::string& path, int code) { routes_[path] = {code, "error page"}; }
    // A byte now and then, for as long as the downloader waits (ten seconds at most).
    void trickle(const std::string& path) { routes_[path] = {200, {}, true}; }
    int hits(const std::string& path) const
    {
        const auto it = hits_.find(path);
        return it == hits_.end() ? 0 : it->second;
    }
    int totalHits() const
    {
        int total = 0;
        for (const auto& [path, n] : hits_)
            total += n;
        return total;
    }

private:
    friend class MemoryDownloader;
    struct Route {
        int status = 200;
        std::string body;
        bool trickles = false;
    };
    std::map<std::string, Route> routes_;
    std::map<std::string, int> hits_;
};

class MemoryDownloader : public Downloader {
public:
    explicit MemoryDownloader(TestServer& server, DownloadLimits limits = {}) : server_(server), limits_(limits) {}
    int URLDownloadToFile(const std::string& url, const std::filesystem::path& file, DownloadKind kind) override
    {
        if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0)
            return download_error::BadUrl;
        const std::string base = server_.baseUrl();
        if (url.rfind(base, 0) != 0)
            return download_error::Transfer; // no such server
        const std::string path = url.substr(base.size());
        ++server_.hits_[path];
        const auto route = server_.routes_.find(path);
        if (route == server_.routes_.end() || route->second.status != 200)
            return download_error::HttpStatus;
        if (route->second.trickles) {
            for (std::uint64_t received = 1; received <= 1000; ++received) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10)); // as a slow server's bytes come
                if (deadline_ && std::chrono::steady_clock::now() >= *deadline_)
                    return download_error::Transfer;
                if (progress_ && !progress_(received, 0))
                    return download_error::Cancelled;
            }
            return download_error::Transfer;
        }
        const std::string& body = route->second.body;
        if (body.size() > limits_.maxBytes(kind))
            return download_error::TooLarge;
        if (progress_ && !progress_(body.size(), body.size()))
            return download_error::Cancelled;
        PartFile part(file);
        if (!part.stream() || std::fwrite(body.data(), 1, body.size(), part.stream()) != body.size())
            return download_error::LocalFile;
        return part.commit(file) ? 0 : download_error::LocalFile;
    }

    const DownloadLimits& limits() const { return limits_; }

private:
    TestServer& server_;
    DownloadLimits limits_;
};

} // namespace hopplix::test
