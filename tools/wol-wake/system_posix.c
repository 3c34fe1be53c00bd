/* wol-wake's system needs on Linux and other POSIX systems: getifaddrs. */
#define _DEFAULT_SOURCE /* getifaddrs, nanosleep */ // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
#include "system.h"

#include <arpa/inet.h>
#include <errno.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>

int system_broadcasts(system_broadcast_found found, void *context, char *error, size_t error_size) {
  struct ifaddrs *all = NULL;
  const struct ifaddrs *ifa;
  if (getifaddrs(&all) != 0) {
    snprintf(error, error_size, "cannot list the interfaces: %s", strerror(errno));
    return -1;
  }
  for (ifa = all; ifa != NULL; ifa = ifa->ifa_next) {
    char address[INET_ADDRSTRLEN];
    const unsigned wanted = IFF_UP | IFF_BROADCAST;
    struct in_addr broadcast;
    uint32_t mask;
    if (ifa->ifa_addr == NULL || ifa->ifa_netmask == NULL || ifa->ifa_addr->sa_family != AF_INET ||
        (ifa->ifa_flags & wanted) != wanted || (ifa->ifa_flags & IFF_LOOPBACK) != 0) {
      continue;
    }
    /* From the address and its netmask, as on Windows: an address added
     * without a broadcast ("ip addr add" without "brd +") has none listed. */
    mask = ((const struct sockaddr_in *)(const void *)ifa->ifa_netmask)->sin_addr.s_addr;
    if ((ntohl(mask) & 3U) != 0) { /* a /31 or /32 has no broadcast address */
      continue;
    }
    broadcast.s_addr =
        ((const struct sockaddr_in *)(const void *)ifa->ifa_addr)->sin_addr.s_addr | ~mask;
    inet_ntop(AF_INET, &broadcast, address, sizeof address);
    found(context, address);
  }
  freeifaddrs(all);
  return 0;
}
int system_is_ipv4(const char *text) {
  struct in_addr address;
  return inet_pton(AF_INET, text, &address) == 1;
}

void system_sleep_ms(int ms) {
  struct timespec left;
  left.tv_sec = ms / 1000;
  left.tv_nsec = (long)(ms % 1000) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
