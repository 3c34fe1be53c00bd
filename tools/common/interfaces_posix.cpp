// The interfaces on Linux and other POSIX systems: getifaddrs.
#include "interfaces.h"

#include "socket_address.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>

namespace wol {
namespace {

in_addr ipv4_of(const sockaddr *address) {
  sockaddr_in ipv4{};
  std::memcpy(&ipv4, address, sizeof ipv4);
  return ipv4.sin_addr;
}

unsigned prefix_length(std::uint32_t mask) {
  unsigned bits = 0;
  while (bits < 32 && (mask & (0x80000000U >> bits)) != 0) {
    ++bits;
  }
  return bits;
}

Interface &entry_for(Interfaces &interfaces, const char *name) {
  for (Interface &each : interfaces.list) {
    if (each.name == name) {
      return each;
    }
  }
  Interface added;
  added.name = name;
  added.index = ::if_nametoindex(name);
  interfaces.list.push_back(added);
  return interfaces.list.back();
}

} // namespace

Interfaces list_interfaces() {
  Interfaces result;
  ifaddrs *all = nullptr;
  if (::getifaddrs(&all) != 0) {
    result.error = std::string("cannot list the interfaces: ") + std::strerror(errno);
    return result;
  }
  for (const ifaddrs *entry = all; entry != nullptr; entry = entry->ifa_next) {
    Interface &one = entry_for(result, entry->ifa_name);
    const unsigned flags = entry->ifa_flags;
    const bool loopback = (flags & IFF_LOOPBACK) != 0;
    // Up, with carrier (IFF_RUNNING: a cable, a peer): as Windows'
    // operational status "up".
    one.up = (flags & (IFF_UP | IFF_RUNNING)) == (IFF_UP | IFF_RUNNING) && !loopback;
    if (entry->ifa_addr == nullptr) {
      continue;
    }
    if (entry->ifa_addr->sa_family == AF_INET6 && (flags & IFF_MULTICAST) != 0 && !loopback) {
      one.multicast = true;
    }
    sockaddr_storage storage{};
    std::memcpy(&storage, entry->ifa_addr,
                entry->ifa_addr->sa_family == AF_INET6 ? sizeof(sockaddr_in6)
                                                       : sizeof(sockaddr_in));
    int port = 0;
    if (const std::optional<Endpoint> own = endpoint_of(storage, port)) {
      one.addresses.push_back(*own);
    }
    if (entry->ifa_addr->sa_family != AF_INET || entry->ifa_netmask == nullptr ||
        (flags & IFF_BROADCAST) == 0 || loopback) {
      continue;
    }
    // From the address and its netmask, as on Windows: an address added
    // without a broadcast ("ip addr add" without "brd +") lists none.
    const std::uint32_t address = ntohl(ipv4_of(entry->ifa_addr).s_addr);
    const std::uint32_t mask = ntohl(ipv4_of(entry->ifa_netmask).s_addr);
    unsigned long broadcast = 0;
    if (!directed_broadcast(address, prefix_length(mask), broadcast)) {
      continue;
    }
    in_addr out{};
    out.s_addr = htonl(static_cast<std::uint32_t>(broadcast));
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &out, text, sizeof text);
    add_once(one.broadcasts, text);
  }
  ::freeifaddrs(all);
  return result;
}

} // namespace wol
