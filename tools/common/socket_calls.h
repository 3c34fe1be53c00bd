// The system calls under the tools' transport and resolver, one file per
// platform (transport_posix.cpp, transport_win32.cpp): each does one thing,
// and the logic that uses them (transport.cpp, address.cpp) is written once.
// Calls that fail return kNoSocket, false or a negative count, with the
// system's error code in `error`; reason() is its text.
#ifndef WOL_COMMON_SOCKET_CALLS_H
#define WOL_COMMON_SOCKET_CALLS_H

#include "socket_address.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wol {

// A descriptor, or a Winsock SOCKET.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// Starts the socket layer for the run (Winsock; nothing to do elsewhere),
// or says why it cannot be.
std::optional<std::string> start_sockets();

// The system's text for an error code of the socket calls (strerror on
// POSIX, FormatMessage on Windows).
std::string reason(int error);

// The resolver's text for a getaddrinfo result.
std::string resolver_reason(int result);

// A UDP socket that no program started by this one inherits.
SocketHandle open_udp(bool ipv6, int &error);
bool allow_broadcast(SocketHandle socket, int &error);
// Sends everything the socket sends out of the interface `index` alone
// (the IPv6 index for an IPv6 socket): Linux SO_BINDTOIFINDEX, which any
// user may set on a socket not yet bound to one; Windows IP_UNICAST_IF.
bool bind_to_interface(SocketHandle socket, bool ipv6, unsigned index, int &error);
// Sends one datagram; the number of bytes sent, or -1.
long send_datagram(SocketHandle socket, const SocketAddress &to, const unsigned char *bytes,
                   std::size_t size, int &error);
// Fixes the datagram socket's peer, which chooses its source address and
// interface without sending anything.
bool connect_datagram(SocketHandle socket, const SocketAddress &to, int &error);
std::optional<SocketAddress> local_address(SocketHandle socket);
void close_socket(SocketHandle socket);

// Linux: a packet socket for Wake-on-LAN's EtherType, the Ethernet header
// written by the kernel (needs root or CAP_NET_RAW). Elsewhere kNoSocket,
// with `why` saying so.
SocketHandle open_frame_socket(int &error, std::string &why);
// One frame from the interface `index`'s own MAC to ff:ff:ff:ff:ff:ff.
long send_frame(SocketHandle socket, unsigned index, const unsigned char *bytes, std::size_t size,
                int &error);

// Waits `ms` milliseconds.
void sleep_ms(int ms);

// The system's text for the last failed socket call.
std::string last_socket_error();

} // namespace wol

#endif
