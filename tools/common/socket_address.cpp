#include "socket_address.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include <cstdint>
#include <cstring>

namespace wol {

SocketAddress socket_address(const Endpoint &to, int port) {
  SocketAddress out;
  const auto network_port = htons(static_cast<std::uint16_t>(port));
  if (to.ipv6) {
    sockaddr_in6 ipv6{};
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = network_port;
    std::memcpy(&ipv6.sin6_addr, to.bytes.data(), sizeof ipv6.sin6_addr);
    ipv6.sin6_scope_id = to.scope;
    std::memcpy(&out.storage, &ipv6, sizeof ipv6);
    out.length = sizeof ipv6;
  } else {
    sockaddr_in ipv4{};
    ipv4.sin_family = AF_INET;
    ipv4.sin_port = network_port;
    std::memcpy(&ipv4.sin_addr, to.bytes.data(), sizeof ipv4.sin_addr);
    std::memcpy(&out.storage, &ipv4, sizeof ipv4);
    out.length = sizeof ipv4;
  }
  return out;
}

std::optional<Endpoint> endpoint_of(const sockaddr_storage &address, int &port) {
  Endpoint endpoint;
  if (address.ss_family == AF_INET) {
    sockaddr_in ipv4{};
    std::memcpy(&ipv4, &address, sizeof ipv4);
    std::memcpy(endpoint.bytes.data(), &ipv4.sin_addr, sizeof ipv4.sin_addr);
    port = ntohs(ipv4.sin_port);
    return endpoint;
  }
  if (address.ss_family == AF_INET6) {
    sockaddr_in6 ipv6{};
    std::memcpy(&ipv6, &address, sizeof ipv6);
    endpoint.ipv6 = true;
    std::memcpy(endpoint.bytes.data(), &ipv6.sin6_addr, sizeof ipv6.sin6_addr);
    endpoint.scope = ipv6.sin6_scope_id;
    port = ntohs(ipv6.sin6_port);
    return endpoint;
  }
  return std::nullopt;
}

std::optional<Endpoint> endpoint_of(const addrinfo &entry) {
  if (entry.ai_addr == nullptr || (entry.ai_family != AF_INET && entry.ai_family != AF_INET6) ||
      static_cast<std::size_t>(entry.ai_addrlen) > sizeof(sockaddr_storage)) {
    return std::nullopt;
  }
  sockaddr_storage storage{};
  std::memcpy(&storage, entry.ai_addr, static_cast<std::size_t>(entry.ai_addrlen));
  int port = 0;
  return endpoint_of(storage, port);
}

} // namespace wol
