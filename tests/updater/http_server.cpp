#include "http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace updatertest {

namespace {

bool SendAll(int fd, const char* data, size_t length) {
  while (length > 0) {
    ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

HttpServer::HttpServer() {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  int one = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0)
    throw std::runtime_error("bind");
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
  stopping_ = true;
  shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  close(listener_);
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (int c : clients_) shutdown(c, SHUT_RDWR);
  }
  for (std::thread& t : workers_) t.join();
  // Sockets are closed only here, so no descriptor is reused while another thread holds it.
  for (int c : clients_) close(c);
}

void HttpServer::Set(const std::string& path, Route route) {
  std::lock_guard<std::mutex> guard(lock_);
  routes_[path] = std::move(route);
}

std::string HttpServer::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> HttpServer::Requests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

void HttpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    int client = accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard<std::mutex> guard(lock_);
    clients_.push_back(client);
    workers_.emplace_back([this, client] { Serve(client); });
  }
}

// Holds the connection open without sending, until the client gives up or the server stops.
void HttpServer::HoldOpen(int client) {
  char buffer[4096];
  while (!stopping_) {
    pollfd p{client, POLLIN, 0};
    const int ready = poll(&p, 1, 50);
    if (ready < 0) return;
    if (ready > 0 && recv(client, buffer, sizeof buffer, 0) <= 0) return;
  }
}

void HttpServer::Serve(int client) {
  ServeRequests(client);
  // The connection ends here (closed at the server's end, so no descriptor is reused meanwhile).
  shutdown(client, SHUT_RDWR);
}

void HttpServer::ServeRequests(int client) {
  for (;;) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      request.append(buffer, static_cast<size_t>(n));
    }
    const size_t space1 = request.find(' ');
    const size_t space2 = request.find(' ', space1 + 1);
    const std::string path = request.substr(space1 + 1, space2 - space1 - 1);
    Route route;
    bool known = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      requests_.push_back(path);
      auto it = routes_.find(path);
      if (it != routes_.end()) {
        route = it->second;
        known = true;
      }
    }
    if (!known) {
      route = Route{};
      route.status = 404;
      route.body = "not found";
    }
    if (route.stallBeforeHeaders) {
      HoldOpen(client);
      break;
    }
    const long long length = route.declaredLength >= 0    ? route.declaredLength
                             : route.generatedBytes >= 0 ? route.generatedBytes
                                                         : static_cast<long long>(route.body.size());
    std::string head = "HTTP/1.1 " + std::to_string(route.status) + " " + Reason(route.status) + "\r\n";
    if (!route.noLength) head += "Content-Length: " + std::to_string(length) + "\r\n";
    if (route.noLength) head += "Connection: close\r\n";
    if (!route.location.empty()) head += "Location: " + route.location + "\r\n";
    head += "Content-Type: application/octet-stream\r\n\r\n";
    if (!SendAll(client, head.data(), head.size())) break;
    if (route.generatedBytes >= 0) {
      std::string block(1 << 20, 'g');
      block[0] = 'M';
      block[1] = 'Z';
      long long left = route.generatedBytes;
      while (left > 0 && !stopping_) {
        const size_t n = static_cast<size_t>(std::min<long long>(left, static_cast<long long>(block.size())));
        if (!SendAll(client, block.data(), n)) break;
        left -= static_cast<long long>(n);
        block[0] = block[1] = 'g';
      }
      break;
    }
    if (route.trickleMs > 0) {
      for (size_t at = 0; at < route.body.size() && !stopping_; at += 4) {
        if (!SendAll(client, route.body.data() + at, std::min<size_t>(4, route.body.size() - at))) break;
        for (int waited = 0; waited < route.trickleMs && !stopping_; waited += 10)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      break;
    }
    if (route.closeAfterBytes >= 0) {
      SendAll(client, route.body.data(), std::min(route.body.size(), size_t(route.closeAfterBytes)));
      break;
    }
    if (route.stallAfterBytes >= 0) {
      SendAll(client, route.body.data(), std::min(route.body.size(), size_t(route.stallAfterBytes)));
      HoldOpen(client);
      break;
    }
    if (!SendAll(client, route.body.data(), route.body.size())) break;
    if (route.noLength || route.declaredLength >= 0) break;
  }
}

}  // namespace updatertest
