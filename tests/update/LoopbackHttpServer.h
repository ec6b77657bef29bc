// A small HTTP/1.1 server on 127.0.0.1 for the download tests. It serves one
// connection at a time on its own thread and records every request's path and
// user agent. Each path answers in one of a few ways: the body with 200, an
// error status, a body cut short of its announced length, a connection
// dropped before any answer, a body trickled out until the client leaves,
// the body (announced a kilobyte longer) followed by silence until the client
// leaves, or a redirect (the status given, the body as its Location, none
// when empty) with a page of its own.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kest2d {
namespace test {

class LoopbackHttpServer {
public:
    enum class Mode { Ok, Status, Truncated, Drop, Trickle, Stall, Redirect };
    struct Route {
        Mode mode = Mode::Ok;
        int status = 200;
        std::string body;
    };
    struct Request {
        std::string path;
        std::string userAgent;
    };

    LoopbackHttpServer() {
        mListen = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(mListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        if (::bind(mListen, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(mListen, 64) != 0)
            return;
        socklen_t len = sizeof(addr);
        ::getsockname(mListen, reinterpret_cast<sockaddr*>(&addr), &len);
        mPort = ntohs(addr.sin_port);
        mThread = std::thread([this] { Serve(); });
    }
    ~LoopbackHttpServer() {
        mStop = true;
        if (mThread.joinable()) mThread.join();
        if (mListen >= 0) ::close(mListen);
    }

    int port() const { return mPort; }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(mPort) + path;
    }
    void Set(const std::string& path, Route route) {
        std::lock_guard<std::mutex> lock(mMutex);
        mRoutes[path] = std::move(route);
    }
    void Ok(const std::string& path, const std::string& body) { Set(path, Route{Mode::Ok, 200, body}); }
    void Redirect(const std::string& path, int status, const std::string& location) {
        Set(path, Route{Mode::Redirect, status, location});
    }
    // Every path under `prefix` answers 200 with the path as its body.
    void EchoUnder(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(mMutex);
        mEchoPrefix = prefix;
    }
    std::vector<Request> requests() const {
        std::lock_guard<std::mutex> lock(mMutex);
        return mRequests;
    }
    int CountRequests(const std::string& path) const {
        int n = 0;
        for (const Request& r : requests())
            if (r.path == path) ++n;
        return n;
    }

private:
    void Serve() {
        while (!mStop) {
            pollfd p{mListen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            int c = ::accept(mListen, nullptr, nullptr);
            if (c < 0) continue;
            Handle(c);
            ::close(c);
        }
    }

    static bool SendAll(int c, const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = ::send(c, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    static std::string Header(const std::string& head, const std::string& name) {
        std::string lower = head;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        std::string key = "\r\n" + name + ":";
        size_t at = lower.find(key);
        if (at == std::string::npos) return std::string();
        size_t start = at + key.size();
        size_t end = head.find("\r\n", start);
        std::string value = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        return value;
    }

    void Handle(int c) {
        std::string head;
        char buf[4096];
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (head.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            ssize_t n = ::recv(c, buf, sizeof(buf), 0);
            if (n <= 0) return;
            head.append(buf, static_cast<size_t>(n));
        }
        size_t sp1 = head.find(' ');
        size_t sp2 = head.find(' ', sp1 + 1);
        if (sp1 == std::string::npos || sp2 == std::string::npos) return;
        Request req{head.substr(sp1 + 1, sp2 - sp1 - 1), Header(head, "user-agent")};
        Route route{Mode::Status, 404, "<html>not found</html>"};
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mRequests.push_back(req);
            auto it = mRoutes.find(req.path);
            if (it != mRoutes.end())
                route = it->second;
            else if (!mEchoPrefix.empty() && req.path.compare(0, mEchoPrefix.size(), mEchoPrefix) == 0)
                route = Route{Mode::Ok, 200, req.path};
        }
        const bool redirect = route.mode == Mode::Redirect;
        const std::string reason = route.mode == Mode::Status ? " Error" : redirect ? " Moved" : " OK";
        const int status = route.mode == Mode::Status || redirect ? route.status : 200;
        const std::string location = redirect && !route.body.empty() ? "Location: " + route.body + "\r\n" : "";
        const std::string body = redirect ? "<html>moved</html>" : route.body;
        const size_t announced = body.size() + (route.mode == Mode::Stall ? 1024 : 0);
        std::string header = "HTTP/1.1 " + std::to_string(status) + reason + "\r\n" + location +
                             "Content-Type: application/octet-stream\r\nContent-Length: " +
                             std::to_string(announced) + "\r\nConnection: close\r\n\r\n";
        switch (route.mode) {
        case Mode::Drop:
            return;
        case Mode::Ok:
        case Mode::Status:
        case Mode::Redirect:
            SendAll(c, header + body);
            return;
        case Mode::Truncated:
            SendAll(c, header + route.body.substr(0, route.body.size() / 2));
            return;
        case Mode::Trickle:
            if (!SendAll(c, header)) return;
            for (size_t i = 0; i < route.body.size() && !mStop; ++i) {
                if (!SendAll(c, route.body.substr(i, 1))) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            return;
        case Mode::Stall:
            if (!SendAll(c, header + route.body)) return;
            while (!mStop) {
                pollfd p{c, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) continue;
                if (::recv(c, buf, sizeof(buf), 0) <= 0) return;  // the client gave up
            }
            return;
        }
    }

    int mListen = -1;
    int mPort = 0;
    std::atomic<bool> mStop{false};
    std::thread mThread;
    mutable std::mutex mMutex;
    std::map<std::string, Route> mRoutes;
    std::string mEchoPrefix;
    std::vector<Request> mRequests;
};

}  // namespace test
}  // namespace kest2d
