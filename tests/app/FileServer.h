#pragma once

// A one-thread HTTP server on 127.0.0.1 that serves the files of a folder,
// for examples that download their media.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace zarn::testing {

class FileServer {
 public:
  explicit FileServer(std::string folder) : folder_(std::move(folder)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FileServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    close(listener_);
  }

  int Port() const { return port_; }  // 0 when the server could not start
  int Requests() const { return requests_; }

 private:
  void Serve() {
    while (!stopping_) {
      const int client = accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      ++requests_;
      Answer(client);
      close(client);
    }
  }
  void Answer(int client) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    // "GET /name HTTP/1.1": no folders, so nothing outside the folder.
    const size_t start = request.find(" /") + 2;
    const std::string name = request.substr(start, request.find(' ', start) - start);
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    std::ostringstream body;
    body << in.rdbuf();
    const bool found = in && name.find('/') == std::string::npos;
    const std::string content = found ? body.str() : "";
    const std::string reply = std::string(found ? "HTTP/1.0 200 OK" : "HTTP/1.0 404 Not Found") +
                              "\r\nContent-Length: " + std::to_string(content.size()) +
                              "\r\nConnection: close\r\n\r\n" + content;
    for (size_t sent = 0; sent < reply.size();) {
      const ssize_t n = send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }

  std::string folder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

}  // namespace zarn::testing
