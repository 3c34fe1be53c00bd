// The conversions between an Endpoint and the system's socket addresses,
// which the transport and the probe share on every platform: the address
// to send or connect to, and the first usable address of a resolver's
// answer.
#ifndef WOL_COMMON_SOCKET_ADDRESS_H
#define WOL_COMMON_SOCKET_ADDRESS_H

#include "transport.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <optional>

namespace wol {

// A sockaddr_in or sockaddr_in6 in storage that holds either, and its size.
struct SocketAddress {
  sockaddr_storage storage{};
  int length = 0;
};

// The address as the socket functions take it.
inline const sockaddr *as_sockaddr(const SocketAddress &address) {
  return reinterpret_cast<const sockaddr *>(&address.storage);
}

// `to` and `port` (in host byte order) as the socket functions take them.
SocketAddress socket_address(const Endpoint &to, int port);

// The first IPv4 or IPv6 address of a getaddrinfo answer, if it has one.
std::optional<Endpoint> first_endpoint(const addrinfo *answer);

// The address and port (in host byte order) of a sockaddr_in or
// sockaddr_in6; nothing for another family.
std::optional<Endpoint> endpoint_of(const sockaddr_storage &address, int &port);

} // namespace wol

#endif
