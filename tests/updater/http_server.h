// A small HTTP/1.1 server for the update program's tests: listens on 127.0.0.1 on a port the
// system picks, serves the routes a test sets, one thread per connection, and stops (joining
// its threads) when destroyed.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace updatertest {

struct Route {
  int status = 200;
  std::string body;
  std::string location;  // a redirect target, sent as Location
  int stallAfterBytes = -1;  // >= 0: send the headers and that many body bytes, then stall
  int closeAfterBytes = -1;  // >= 0: send the headers and that many body bytes, then close
  bool noLength = false;     // no Content-Length: the body ends when the connection closes
  long long declaredLength = -1;  // >= 0: the Content-Length sent, whatever the body is
  bool stallBeforeHeaders = false;  // read the request, then send nothing
  int trickleMs = 0;         // > 0: send the body 4 bytes at a time, this long apart
  long long generatedBytes = -1;  // >= 0: a body of that many bytes made while it is sent
};

class HttpServer {
 public:
  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  void Set(const std::string& path, Route route);
  void Set(const std::string& path, const std::string& body) {
    Route route;
    route.body = body;
    Set(path, route);
  }
  // "http://127.0.0.1:<port>"
  std::string Base() const;
  int Port() const { return port_; }
  // Paths requested so far, in order.
  std::vector<std::string> Requests() const;

 private:
  void AcceptLoop();
  void Serve(int client);
  void ServeRequests(int client);
  void HoldOpen(int client);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  std::map<std::string, Route> routes_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::vector<int> clients_;
  std::thread acceptor_;
};

}  // namespace updatertest
