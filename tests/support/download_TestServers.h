#pragma once

// Servers on 127.0.0.1 for the download tests: a small HTTP server in a
// thread and the FTP server of python3-pyftpdlib in a child process.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zarn::testing {

inline void SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
}
inline void SendAll(int fd, const std::string& text) { SendAll(fd, text.data(), text.size()); }

// A port nobody listens on: bound once, then closed.
inline int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// Paths: /stall sends a part of its body and then nothing; /big sends
// `big_bytes` of zeros; /redirect/<path> answers 302 to /<path>; any other
// path is a file from `files` or 404.
class HttpServer {
 public:
  explicit HttpServer(std::map<std::string, std::string> files) : files_(std::move(files)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~HttpServer() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (auto& t : workers_) t.join();
  }

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  // Every request's head as received.
  std::vector<std::string> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  int64_t big_bytes = 200LL * 1024 * 1024;

 private:
  void Accept() {
    for (;;) {
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      workers_.emplace_back([this, fd] {
        Serve(fd);
        ::close(fd);
      });
    }
  }

  void Serve(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      head.append(buffer, static_cast<size_t>(got));
    }
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(head);
    }
    const auto first_blank = head.find(' ');
    const std::string path =
        head.substr(first_blank + 1, head.find(' ', first_blank + 1) - first_blank - 1);
    if (path.rfind("/redirect/", 0) == 0) {
      SendAll(fd, "HTTP/1.1 302 Found\r\nLocation: /" + path.substr(10) +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    } else if (path == "/stall") {
      SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\nabc");
      // Nothing more until the client gives up or the test ends.
      pollfd wait{fd, POLLIN, 0};
      while (!stop_) {
        if (::poll(&wait, 1, 100) > 0 && ::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
      }
    } else if (path == "/big") {
      SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(big_bytes) +
                      "\r\nConnection: close\r\n\r\n");
      std::vector<char> chunk(64 * 1024, '\0');
      for (int64_t left = big_bytes; left > 0 && !stop_;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(left, chunk.size()));
        SendAll(fd, chunk.data(), n);
        left -= static_cast<int64_t>(n);
      }
    } else if (const auto file = files_.find(path); file != files_.end()) {
      SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(file->second.size()) +
                      "\r\nConnection: close\r\n\r\n" + file->second);
    } else {
      SendAll(fd,
              "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
    }
  }

  std::map<std::string, std::string> files_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

// Debian's python3 -m pyftpdlib serving `folder` read-only to anonymous users.
class FtpServer {
 public:
  explicit FtpServer(const std::string& folder) : port_(FreePort()) {
    pid_ = ::fork();
    if (pid_ == 0) {
      const std::string port = std::to_string(port_);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      ::execl("/usr/bin/python3", "python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
              port.c_str(), "-d", folder.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Ready when it accepts a connection.
    for (int i = 0; i < 100 && !ready_; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<uint16_t>(port_));
      ready_ = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      ::close(fd);
      if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ~FtpServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Ready() const { return ready_; }
  std::string Url(const std::string& path) const {
    return "ftp://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  int port_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace zarn::testing
