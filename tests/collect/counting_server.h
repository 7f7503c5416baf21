#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace dw::testing {

// A loopback HTTP server that answers every request with one page (which
// the caller may swap) and counts the requests: for checks the shared site
// cannot count, and for benchmarks.
class CountingServer {
 public:
  explicit CountingServer(std::string body) : body_(std::move(body)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listener_, 16);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~CountingServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  CountingServer(const CountingServer&) = delete;
  CountingServer& operator=(const CountingServer&) = delete;

  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/list";
  }
  int Requests() const { return requests_; }
  // Every byte of every answer so far, head and body.
  long long BytesSent() const { return bytes_sent_; }
  // Answers carry an ETag and a request that names it gets a bare 304, as
  // a web server does for a file that did not change.
  void SetValidators(bool on) { validators_ = on; }
  void SetBody(std::string body) {
    std::lock_guard lock(mutex_);
    body_ = std::move(body);
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (::poll(&waiting, 1, 20) <= 0) continue;
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd readable{client, POLLIN, 0};
        if (::poll(&readable, 1, 2000) <= 0) break;
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      ++requests_;
      std::string response;
      {
        std::lock_guard lock(mutex_);
        const std::string etag =
            "\"" + std::to_string(std::hash<std::string>()(body_)) + "\"";
        if (validators_ &&
            request.find("If-None-Match: " + etag) != std::string::npos) {
          response = "HTTP/1.1 304 Not Modified\r\nETag: " + etag +
                     "\r\nConnection: close\r\n\r\n";
        } else {
          response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" +
                     (validators_ ? "ETag: " + etag + "\r\n" : std::string()) +
                     "Content-Length: " + std::to_string(body_.size()) +
                     "\r\nConnection: close\r\n\r\n" + body_;
        }
      }
      bytes_sent_ += static_cast<long long>(response.size());
      for (size_t sent = 0; sent < response.size();) {
        const ssize_t n = ::send(client, response.data() + sent,
                                 response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      ::close(client);
    }
  }

  std::mutex mutex_;
  std::string body_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::atomic<long long> bytes_sent_{0};
  std::atomic<bool> validators_{false};
  std::thread thread_;
};

}  // namespace dw::testing
