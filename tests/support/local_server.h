// A real HTTP or HTTPS server on 127.0.0.1 for the tests, on a port of its own,
// serving from a thread of its own until destroyed.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

#include "support/test_certificates.h"

namespace vidlark::testing {

class LocalServer {
 public:
  // Plain HTTP.
  LocalServer();
  // HTTPS with the given certificate.
  explicit LocalServer(const ServerCertificate& certificate);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  httplib::Server& server() { return *server_; }
  // Binds and starts serving; call after the handlers are registered.
  void Start();
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" (or https).
  std::string base() const;

 private:
  std::unique_ptr<httplib::Server> server_;
  bool secure_ = false;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace vidlark::testing
