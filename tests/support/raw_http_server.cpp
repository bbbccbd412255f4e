#include "support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vidlark::testing {
namespace {

// Value of a header, looked up without regard to case; empty when absent.
std::string HeaderValue(const std::vector<std::string>& headers, const std::string& name) {
  for (const std::string& line : headers) {
    if (line.size() <= name.size() || line[name.size()] != ':') continue;
    bool same = true;
    for (size_t i = 0; i < name.size(); ++i) same = same && std::tolower(line[i]) == std::tolower(name[i]);
    if (!same) continue;
    size_t start = name.size() + 1;
    while (start < line.size() && line[start] == ' ') ++start;
    return line.substr(start);
  }
  return std::string();
}

}  // namespace

RawHttpServer::RawHttpServer(Responder responder) : responder_(std::move(responder)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] {
    int connection = 0;
    while (!stopping_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (poll(&waiting, 1, 50) <= 0) continue;
      int client = accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      std::lock_guard lock(mutex_);
      sockets_.push_back(client);
      workers_.emplace_back([this, client, id = ++connection] { Serve(client, id); });
    }
  });
}

RawHttpServer::~RawHttpServer() {
  stopping_ = true;
  acceptor_.join();
  {
    std::lock_guard lock(mutex_);
    for (int s : sockets_) shutdown(s, SHUT_RDWR);
  }
  for (std::thread& worker : workers_) worker.join();
  for (int s : sockets_) close(s);
  close(listener_);
}

std::vector<RawRequest> RawHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int RawHttpServer::UnusedPort() {
  RawHttpServer gone;
  return gone.port();
}

std::string RawHttpServer::Response(int status, const std::string& body, const std::string& extraHeaders) {
  return "HTTP/1.1 " + std::to_string(status) + " Answer\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
         extraHeaders + "\r\n" + body;
}

void RawHttpServer::Serve(int socket, int connection) {
  std::string buffer;
  char chunk[8192];
  auto fill = [&]() {
    pollfd waiting{socket, POLLIN, 0};
    while (!stopping_) {
      int ready = poll(&waiting, 1, 50);
      if (ready < 0) return false;
      if (ready == 0) continue;
      ssize_t got = recv(socket, chunk, sizeof chunk, 0);
      if (got <= 0) return false;
      buffer.append(chunk, static_cast<size_t>(got));
      return true;
    }
    return false;
  };
  while (!stopping_) {
    size_t end;
    while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (!fill()) return;
    }
    RawRequest request;
    request.connection = connection;
    std::string head = buffer.substr(0, end);
    buffer.erase(0, end + 4);
    size_t lineEnd = head.find("\r\n");
    request.line = head.substr(0, lineEnd);
    while (lineEnd != std::string::npos) {
      size_t next = head.find("\r\n", lineEnd + 2);
      request.headers.push_back(
          head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2));
      lineEnd = next;
    }
    std::string length = HeaderValue(request.headers, "Content-Length");
    size_t bodySize = length.empty() ? 0 : std::stoul(length);
    while (buffer.size() < bodySize) {
      if (!fill()) return;
    }
    request.body = buffer.substr(0, bodySize);
    buffer.erase(0, bodySize);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    std::string response = responder_ ? responder_(request) : Response(200, "ok");
    size_t sent = 0;
    while (sent < response.size()) {
      ssize_t n = send(socket, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }
}

}  // namespace vidlark::testing
