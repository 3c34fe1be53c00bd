/* wol-wake's system needs on Windows: GetAdaptersAddresses, with each
 * address's on-link prefix length giving its subnet's broadcast. */
#define WIN32_LEAN_AND_MEAN
#include "system.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Adapters that have no broadcast: loopback, tunnels, dial-up links. */
static int can_broadcast(const IP_ADAPTER_ADDRESSES *adapter) {
  return adapter->OperStatus == IfOperStatusUp && adapter->IfType != IF_TYPE_SOFTWARE_LOOPBACK &&
         adapter->IfType != IF_TYPE_TUNNEL && adapter->IfType != IF_TYPE_PPP;
}

/* The adapters' list, in a buffer of the size Windows asks for (it may grow
 * between the two calls, hence the few tries). */
static IP_ADAPTER_ADDRESSES *adapters(char *error, size_t error_size) {
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16384;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  int tries;
  for (tries = 0; tries < 4 && result == ERROR_BUFFER_OVERFLOW; ++tries) {
    IP_ADAPTER_ADDRESSES *list = (IP_ADAPTER_ADDRESSES *)malloc(size);
    if (list == NULL) {
      snprintf(error, error_size, "cannot list the interfaces: out of memory");
      return NULL;
    }
    result = GetAdaptersAddresses(AF_INET, flags, NULL, list, &size);
    if (result == NO_ERROR) {
      return list;
    }
    free(list);
  }
  snprintf(error, error_size, "cannot list the interfaces: GetAdaptersAddresses error %lu",
           (unsigned long)result);
  return NULL;
}

int system_broadcasts(system_broadcast_found found, void *context, char *error, size_t error_size) {
  IP_ADAPTER_ADDRESSES *list = adapters(error, error_size);
  const IP_ADAPTER_ADDRESSES *adapter;
  if (list == NULL) {
    return -1;
  }
  for (adapter = list; adapter != NULL; adapter = adapter->Next) {
    const IP_ADAPTER_UNICAST_ADDRESS *unicast;
    if (!can_broadcast(adapter)) {
      continue;
    }
    for (unicast = adapter->FirstUnicastAddress; unicast != NULL; unicast = unicast->Next) {
      const struct sockaddr_in *ip =
          (const struct sockaddr_in *)(const void *)unicast->Address.lpSockaddr;
      const ULONG prefix = unicast->OnLinkPrefixLength;
      char address[INET_ADDRSTRLEN];
      struct in_addr broadcast;
      /* A /31 or /32 has no broadcast address. */
      if (ip->sin_family != AF_INET || prefix > 30) {
        continue;
      }
      broadcast.s_addr = ip->sin_addr.s_addr | htonl(0xFFFFFFFFU >> prefix);
      inet_ntop(AF_INET, &broadcast, address, sizeof address);
      found(context, address);
    }
  }
  free(list);
  return 0;
}

int system_is_ipv4(const char *text) {
  struct in_addr address;
  return inet_pton(AF_INET, text, &address) == 1;
}

void system_sleep_ms(int ms) { Sleep((DWORD)ms); }
