// The few socket operations the sender needs, and nothing else.
//
// wol.cpp reaches the platform only through `socket_ops()`: the shipped
// library points it at the Winsock 2 or POSIX implementation, and tests swap
// in fakes to make each operation fail. None of this is exported.
#ifndef TARNWICK_WOL_SOCKET_LAYER_H
#define TARNWICK_WOL_SOCKET_LAYER_H

#include <cstdint>

namespace tarnwick_wol {

// Wide enough for a Winsock SOCKET and a POSIX descriptor alike.
using socket_handle = std::uintptr_t;

// INVALID_SOCKET on Windows, and -1 converted on POSIX: the same bits.
constexpr socket_handle invalid_socket = ~socket_handle{0};

// Where a datagram goes: an IPv4 address in network order and a port in
// host order (the layer converts it).
struct ipv4_destination {
  std::uint8_t address[4];
  std::uint16_t port;
};

struct socket_operations {
  // Starts the platform's socket layer (WSAStartup 2.2); 0 on success.
  int (*start)();
  // Opens an IPv4 UDP socket, or returns invalid_socket.
  socket_handle (*open_udp)();
  // Allows sending to broadcast addresses; whether it worked is not told.
  void (*enable_broadcast)(socket_handle sock);
  // inet_pton for AF_INET: 1 for a dotted quad, 0 or -1 otherwise.
  int (*parse_ipv4)(const char *text, std::uint8_t (&address)[4]);
  // sendto: the number of bytes sent, or -1.
  int (*send_to)(socket_handle sock, const unsigned char *data, int size,
                 const ipv4_destination &to);
  // The error code of the last failed operation (WSAGetLastError, errno).
  int (*last_error)();
  void (*close)(socket_handle sock);
};

// The platform's own operations, defined by socket_layer_<platform>.cpp.
extern const socket_operations platform_socket_operations;

// The operations in use; the platform's unless a test replaced them.
extern const socket_operations *active_socket_operations;

inline const socket_operations &socket_ops() { return *active_socket_operations; }

// Set once the platform's socket layer has started, never cleared. Owned by
// the sender; declared here so that tests can begin from a cold start.
extern int s_ws_started;

} // namespace tarnwick_wol

#endif
