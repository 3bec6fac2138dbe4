#pragma once
// A real HTTP server on 127.0.0.1 for the updater's tests: it serves files and can answer with
// an error status, stall, close early, send without end, trickle and redirect.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <httplib.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace hopplix::test {

class TestServer {
public:
    TestServer()
    {
        server_.set_keep_alive_max_count(1);
        server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { answer(req, res); });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!server_.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    }
    ~TestServer()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        server_.stop();
        thread_.join();
    }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return port_; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return baseUrl() + path; }

    void serve(const std::string& path, std::string body) { set(path, {Kind::Body, 200, std::move(body), 0, {}}); }
    void status(const std::string& path, int code) { set(path, {Kind::Status, code, "error page", 0, {}}); }
    // Sends `prefix`, then nothing more until the server stops.
    void stall(const std::string& path, std::string prefix) { set(path, {Kind::Stall, 200, std::move(prefix), 0, {}}); }
    // Announces `declared` bytes, sends `body` (shorter) and closes the connection.
    void truncate(const std::string& path, std::string body, std::size_t declared)
    {
        set(path, {Kind::Truncate, 200, std::move(body), declared, {}});
    }
    // Announces `declared` bytes of zeros and sends them.
    void declare(const std::string& path, std::size_t declared) { set(path, {Kind::Declared, 200, {}, declared, {}}); }
    // Sends zeros without end and without a length.
    void endless(const std::string& path) { set(path, {Kind::Endless, 200, {}, 0, {}}); }
    // One byte every 200 ms, without end.
    void trickle(const std::string& path) { set(path, {Kind::Trickle, 200, {}, 0, {}}); }
    void redirect(const std::string& path, std::string to) { set(path, {Kind::Redirect, 302, {}, 0, std::move(to)}); }

    int hits(const std::string& path)
    {
        std::lock_guard lock(mutex_);
        return hits_[path];
    }
    int totalHits()
    {
        std::lock_guard lock(mutex_);
        int sum = 0;
        for (const auto& [path, n] : hits_)
            sum += n;
        return sum;
    }

    // A port on which nothing listens.
    static int closedPort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        ::close(fd);
        return ntohs(addr.sin_port);
    }

private:
    enum class Kind { Body, Status, Stall, Truncate, Declared, Endless, Trickle, Redirect };
    struct Route {
        Kind kind;
        int code;
        std::string body;
        std::size_t declared;
        std::string target;
    };

    void set(const std::string& path, Route route)
    {
        std::lock_guard lock(mutex_);
        routes_[path] = std::move(route);
    }

    // Waits until the server stops or `period` has passed; true when stopping.
    bool waitForStop(std::chrono::milliseconds period)
    {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, period, [this] { return stopping_; });
    }

    void answer(const httplib::Request& req, httplib::Response& res)
    {
        Route route;
        {
            std::lock_guard lock(mutex_);
            ++hits_[req.path];
            const auto it = routes_.find(req.path);
            if (it == routes_.end()) {
                res.status = 404;
                res.set_content("not found", "text/plain");
                return;
            }
            route = it->second;
        }
        switch (route.kind) {
        case Kind::Body:
        case Kind::Status:
            res.status = route.code;
            res.set_content(route.body, "application/octet-stream");
            break;
        case Kind::Redirect: res.set_redirect(route.target); break;
        case Kind::Stall:
            res.set_chunked_content_provider("application/octet-stream",
                                             [this, prefix = route.body](std::size_t, httplib::DataSink& sink) {
                                                 sink.write(prefix.data(), prefix.size());
                                                 waitForStop(std::chrono::seconds(60));
                                                 return false;
                                             });
            break;
        case Kind::Truncate:
            res.set_content_provider(route.declared, "application/octet-stream",
                                     [body = route.body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                         if (offset >= body.size())
                                             return false; // closes the connection short of the length
                                         sink.write(body.data() + offset, body.size() - offset);
                                         return true;
                                     });
            break;
        case Kind::Declared:
            res.set_content_provider(route.declared, "application/octet-stream",
                                     [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                         static const std::string zeros(16384, '\0');
                                         return sink.write(zeros.data(), std::min(length, zeros.size()));
                                     });
            break;
        case Kind::Endless:
            res.set_chunked_content_provider("application/octet-stream", [this](std::size_t, httplib::DataSink& sink) {
                static const std::string zeros(16384, '\0');
                return !stopping() && sink.write(zeros.data(), zeros.size());
            });
            break;
        case Kind::Trickle:
            res.set_chunked_content_provider("application/octet-stream", [this](std::size_t, httplib::DataSink& sink) {
                if (!sink.write("x", 1))
                    return false;
                return !waitForStop(std::chrono::milliseconds(200));
            });
            break;
        }
    }

    bool stopping()
    {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::map<std::string, Route> routes_;
    std::map<std::string, int> hits_;
};

} // namespace hopplix::test
