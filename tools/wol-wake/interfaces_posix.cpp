// The interfaces on Linux and other POSIX systems: getifaddrs.
#include "interfaces.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>

namespace wol_wake {
namespace {

// Up, with carrier (IFF_RUNNING: a cable, a peer), able to broadcast, and
// not loopback: as Windows' operational status "up".
bool can_broadcast(const ifaddrs &entry) {
  const unsigned wanted = IFF_UP | IFF_RUNNING | IFF_BROADCAST;
  return entry.ifa_addr != nullptr && entry.ifa_netmask != nullptr &&
         entry.ifa_addr->sa_family == AF_INET && (entry.ifa_flags & wanted) == wanted &&
         (entry.ifa_flags & IFF_LOOPBACK) == 0;
}

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

} // namespace

Broadcasts interface_broadcasts() {
  Broadcasts result;
  ifaddrs *all = nullptr;
  if (::getifaddrs(&all) != 0) {
    result.error = std::string("cannot list the interfaces: ") + std::strerror(errno);
    return result;
  }
  for (const ifaddrs *entry = all; entry != nullptr; entry = entry->ifa_next) {
    if (!can_broadcast(*entry)) {
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
    add_once(result.addresses, text);
  }
  ::freeifaddrs(all);
  return result;
}

} // namespace wol_wake
