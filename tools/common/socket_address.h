// The conversions between an Endpoint and the system's socket addresses,
// which the transport, the resolver and the probe share on every platform:
// the address to send or connect to, and the addresses the system gives.
#ifndef WOL_COMMON_SOCKET_ADDRESS_H
#define WOL_COMMON_SOCKET_ADDRESS_H

#include "address.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
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

// The address of one entry of a getaddrinfo answer, if it is IPv4 or IPv6.
std::optional<Endpoint> endpoint_of(const addrinfo &entry);

// The address and port (in host byte order) of a sockaddr_in or
// sockaddr_in6; nothing for another family.
std::optional<Endpoint> endpoint_of(const sockaddr_storage &address, int &port);

} // namespace wol

#endif
