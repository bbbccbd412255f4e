#include "support/local_server.h"

#include <stdexcept>

namespace vidlark::testing {

LocalServer::LocalServer() : server_(std::make_unique<httplib::Server>()) {}

LocalServer::LocalServer(const ServerCertificate& certificate)
    : server_(std::make_unique<httplib::SSLServer>(certificate.certificate, certificate.key)), secure_(true) {}

LocalServer::~LocalServer() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void LocalServer::Start() {
  // Idle keep-alive connections hold a server thread, and stopping waits for
  // them: keep that wait short, and serve many requests per connection.
  server_->set_keep_alive_timeout(1);
  server_->set_keep_alive_max_count(1000);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a test server on 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string LocalServer::base() const {
  return std::string(secure_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

}  // namespace vidlark::testing
