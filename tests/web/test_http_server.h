#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the web tests: a table of canned
// responses, one connection at a time per thread, "Connection: close" always.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace lp::test {

struct CannedResponse {
    int status = 200;
    std::string body;
    std::vector<std::string> headers;  // "Name: value"
    std::chrono::milliseconds delay{0};
    /// Announce this Content-Length instead of the body's (a short body).
    long long announcedLength = -1;
};

class TestHttpServer {
public:
    TestHttpServer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        if (m_listen < 0) throw std::runtime_error("socket");
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listen, 64) != 0)
            throw std::runtime_error("bind/listen");
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { AcceptLoop(); });
    }

    ~TestHttpServer() {
        m_stopping = true;
        if (m_acceptor.joinable()) m_acceptor.join();
        std::vector<std::thread> workers;
        {
            std::lock_guard lock(m_mutex);
            workers.swap(m_workers);
        }
        for (std::thread& t : workers) t.join();
        ::close(m_listen);
    }

    int Port() const { return m_port; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    /// The response for a request target (path with query), exactly.
    void Set(const std::string& target, CannedResponse response) {
        std::lock_guard lock(m_mutex);
        m_routes[target] = std::move(response);
    }
    void Page(const std::string& target, std::string body, std::string type = "text/html") {
        Set(target, CannedResponse{200, std::move(body), {"Content-Type: " + type}});
    }

    /// Every request line target received, in order.
    std::vector<std::string> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    /// The header block of the last request.
    std::string LastHeaders() const {
        std::lock_guard lock(m_mutex);
        return m_lastHeaders;
    }
    int Count(const std::string& target) const {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (const auto& r : m_requests) n += r == target;
        return n;
    }

private:
    void AcceptLoop() {
        while (!m_stopping) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0) continue;
            std::lock_guard lock(m_mutex);
            m_workers.emplace_back([this, client] { Serve(client); });
        }
    }

    static void SendAll(int fd, const std::string& data) {
        std::size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    void Serve(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0) break;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t sp1 = request.find(' ');
        const std::size_t sp2 = request.find(' ', sp1 + 1);
        if (sp1 == std::string::npos || sp2 == std::string::npos) {
            ::close(client);
            return;
        }
        const std::string target = request.substr(sp1 + 1, sp2 - sp1 - 1);
        CannedResponse response{404, "<html><body>Not here</body></html>", {"Content-Type: text/html"}};
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(target);
            m_lastHeaders = request;
            if (auto it = m_routes.find(target); it != m_routes.end()) response = it->second;
        }
        for (auto waited = std::chrono::milliseconds(0); waited < response.delay && !m_stopping;
             waited += std::chrono::milliseconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const long long length =
            response.announcedLength >= 0 ? response.announcedLength : static_cast<long long>(response.body.size());
        std::string head = "HTTP/1.1 " + std::to_string(response.status) + " Canned\r\n";
        for (const std::string& h : response.headers) head += h + "\r\n";
        head += "Content-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
        SendAll(client, head + response.body);
        ::shutdown(client, SHUT_WR);
        // Let the client read everything before the socket goes away.
        while (true) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 500) <= 0) break;
            if (::recv(client, buffer, sizeof buffer, 0) <= 0) break;
        }
        ::close(client);
    }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_workers;
    std::map<std::string, CannedResponse> m_routes;
    std::vector<std::string> m_requests;
    std::string m_lastHeaders;
};

}  // namespace lp::test
