#include "udp_receiver.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using native_socket = SOCKET;
constexpr native_socket kNoSocket = INVALID_SOCKET;
static int close_native(native_socket s) { return closesocket(s); }
static int socket_error() { return WSAGetLastError(); }
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using native_socket = int;
constexpr native_socket kNoSocket = -1;
static int close_native(native_socket s) { return close(s); }
static int socket_error() { return errno; }
#endif

namespace {

native_socket native(std::uintptr_t s) { return static_cast<native_socket>(s); }

// Waits until `s` is readable: true if it is before the timeout.
bool wait_readable(native_socket s, int timeout_ms) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  timeval timeout{};
  timeout.tv_sec = timeout_ms / 1000;
  timeout.tv_usec = (timeout_ms % 1000) * 1000;
  return select(static_cast<int>(s) + 1, &readable, nullptr, nullptr, &timeout) > 0;
}

} // namespace

udp_receiver::udp_receiver(std::uint16_t port) {
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#endif
  const native_socket s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  socket_ = static_cast<std::uintptr_t>(s);
  if (s == kNoSocket) {
    error_ = "socket() failed, error " + std::to_string(socket_error());
    return;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
    error_ = "cannot bind 127.0.0.1:" + std::to_string(port) + ", error " +
             std::to_string(socket_error());
    return;
  }
  socklen_t size = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr *>(&addr), &size);
  port_ = ntohs(addr.sin_port);
}

udp_receiver::~udp_receiver() {
  if (native(socket_) != kNoSocket) {
    close_native(native(socket_));
  }
}

std::vector<unsigned char> udp_receiver::receive(int timeout_ms) {
  std::vector<unsigned char> datagram;
  if (!error_.empty() || !wait_readable(native(socket_), timeout_ms)) {
    return datagram;
  }
  datagram.resize(2048);
  const int got = static_cast<int>(recv(native(socket_), reinterpret_cast<char *>(datagram.data()),
                                        static_cast<int>(datagram.size()), 0));
  datagram.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return datagram;
}

bool udp_receiver::pending() { return error_.empty() && wait_readable(native(socket_), 0); }
