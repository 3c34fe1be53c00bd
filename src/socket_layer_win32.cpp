// Winsock 2 behind the socket seam. WSACleanup is never called: other code
// in the host process may be using Winsock too, and the library keeps no
// socket between calls that would need it.
#include "socket_layer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace tarnwick_wol {
namespace {

int start_sockets() {
  WSADATA data;
  return ::WSAStartup(MAKEWORD(2, 2), &data);
}

socket_handle open_udp_socket() {
  const SOCKET sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  return sock == INVALID_SOCKET ? invalid_socket : static_cast<socket_handle>(sock);
}

SOCKET native(socket_handle sock) { return static_cast<SOCKET>(sock); }

void enable_broadcast(socket_handle sock) {
  const int on = 1;
  (void)::setsockopt(native(sock), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&on),
                     sizeof on);
}

int parse_ipv4(const char *text, std::uint8_t (&address)[4]) {
  return ::inet_pton(AF_INET, text, address);
}

int send_datagram(socket_handle sock, const unsigned char *data, int size,
                  const ipv4_destination &to) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = ::htons(to.port);
  std::memcpy(&addr.sin_addr, to.address, sizeof to.address);
  return ::sendto(native(sock), reinterpret_cast<const char *>(data), size, 0,
                  reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
}

int last_socket_error() { return ::WSAGetLastError(); }

void close_socket(socket_handle sock) { (void)::closesocket(native(sock)); }

} // namespace

const socket_operations platform_socket_operations = {
    start_sockets, open_udp_socket,   enable_broadcast, parse_ipv4,
    send_datagram, last_socket_error, close_socket,
};

} // namespace tarnwick_wol
