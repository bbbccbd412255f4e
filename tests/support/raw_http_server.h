// A bare HTTP/1.x server on 127.0.0.1 that records every request byte for byte,
// so tests can see the exact header lines in the order they were sent. It also
// serves as a recording proxy: a request line with an absolute URL is answered
// like any other.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vidlark::testing {

struct RawRequest {
  int connection = 0;                // requests on one TCP connection share this number
  std::string line;                  // "GET /path HTTP/1.1"
  std::vector<std::string> headers;  // the header lines as received, in order
  std::string body;
};

class RawHttpServer {
 public:
  using Responder = std::function<std::string(const RawRequest&)>;

  // The default answer is a 200 with the body "ok".
  explicit RawHttpServer(Responder responder = {});
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<RawRequest> requests() const;

  // A loopback port that was just free and that nobody listens on.
  static int UnusedPort();

  static std::string Response(int status, const std::string& body, const std::string& extraHeaders = "");

 private:
  void Serve(int socket, int connection);

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::vector<int> sockets_;
  mutable std::mutex mutex_;
  std::vector<RawRequest> requests_;
};

}  // namespace vidlark::testing
