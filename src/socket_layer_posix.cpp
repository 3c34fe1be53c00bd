// POSIX sockets behind the socket seam. There is nothing to start, the
// invalid socket is -1 and the error code is errno.
#include "socket_layer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwick_wol {
namespace {

int start_sockets() { return 0; }

socket_handle open_udp_socket() {
  // Close-on-exec, so that a host's fork and exec on another thread does
  // not carry our socket into the child.
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  return fd < 0 ? invalid_socket : static_cast<socket_handle>(fd);
}

int descriptor(socket_handle sock) { return static_cast<int>(sock); }

void enable_broadcast(socket_handle sock) {
  const int on = 1;
  (void)::setsockopt(descriptor(sock), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
}

int parse_ipv4(const char *text, std::uint8_t (&address)[4]) {
  return ::inet_pton(AF_INET, text, address);
}

int send_datagram(socket_handle sock, const unsigned char *data, int size,
                  const ipv4_destination &to) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(to.port);
  std::memcpy(&addr.sin_addr, to.address, sizeof to.address);
  // A short send leaves no error behind, so clear any stale one first.
  errno = 0;
  return static_cast<int>(::sendto(descriptor(sock), data, static_cast<size_t>(size), 0,
                                   reinterpret_cast<const sockaddr *>(&addr), sizeof addr));
}

int last_socket_error() { return errno; }

void close_socket(socket_handle sock) { (void)::close(descriptor(sock)); }

} // namespace

const socket_operations platform_socket_operations = {
    start_sockets, open_udp_socket,   enable_broadcast, parse_ipv4,
    send_datagram, last_socket_error, close_socket,
};

} // namespace tarnwick_wol
