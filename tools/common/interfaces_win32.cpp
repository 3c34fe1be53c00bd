// The interfaces on Windows: GetAdaptersAddresses, with each address's
// on-link prefix length giving its subnet's broadcast.
#include "interfaces.h"

#include "program.h"
#include "socket_address.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace wol {
namespace {

// Whether the adapter's medium is known to be disconnected (no cable, no
// peer). Windows says so in the operational status as well; Wine takes that
// status from the interface's flags alone and only here tells the carrier.
bool disconnected(const IP_ADAPTER_ADDRESSES &adapter) {
  MIB_IF_ROW2 row{};
  row.InterfaceLuid = adapter.Luid;
  return GetIfEntry2(&row) == NO_ERROR && row.MediaConnectState == MediaConnectStateDisconnected;
}

// Operational status "up" and a connected medium mean a link, as
// IFF_RUNNING on Linux; loopback, tunnels and dial-up links do not count.
bool can_broadcast(const IP_ADAPTER_ADDRESSES &adapter) {
  return adapter.OperStatus == IfOperStatusUp && adapter.IfType != IF_TYPE_SOFTWARE_LOOPBACK &&
         adapter.IfType != IF_TYPE_TUNNEL && adapter.IfType != IF_TYPE_PPP &&
         !disconnected(adapter);
}

} // namespace

Interfaces list_interfaces() {
  Interfaces result;
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  // In a buffer of the size Windows asks for; it may grow between the two
  // calls, hence the few tries.
  ULONG size = 16384;
  ULONG status = ERROR_BUFFER_OVERFLOW;
  std::vector<unsigned char> buffer;
  for (int tries = 0; tries < 4 && status == ERROR_BUFFER_OVERFLOW; ++tries) {
    buffer.assign(size, 0);
    status = GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                                  reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
  }
  if (status == ERROR_NO_DATA) {
    return result;
  }
  if (status != NO_ERROR) {
    result.error = "cannot list the interfaces: GetAdaptersAddresses error " +
                   std::to_string(static_cast<unsigned long>(status));
    return result;
  }
  for (const auto *adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES *>(buffer.data());
       adapter != nullptr; adapter = adapter->Next) {
    Interface one;
    one.name = utf8_of(adapter->FriendlyName);
    one.index = adapter->Ipv6IfIndex != 0 ? adapter->Ipv6IfIndex : adapter->IfIndex;
    one.ipv4_index = adapter->IfIndex;
    one.up = can_broadcast(*adapter);
    const bool loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
    for (const IP_ADAPTER_UNICAST_ADDRESS *unicast = adapter->FirstUnicastAddress;
         unicast != nullptr; unicast = unicast->Next) {
      const int family = unicast->Address.lpSockaddr->sa_family;
      if (family == AF_INET6 && !loopback && (adapter->Flags & IP_ADAPTER_NO_MULTICAST) == 0) {
        one.multicast = true;
      }
      sockaddr_storage storage{};
      std::memcpy(
          &storage, unicast->Address.lpSockaddr,
          std::min(sizeof storage, static_cast<std::size_t>(unicast->Address.iSockaddrLength)));
      int port = 0;
      if (const std::optional<Endpoint> own = endpoint_of(storage, port)) {
        one.addresses.push_back(*own);
      }
      if (family != AF_INET || loopback || adapter->IfType == IF_TYPE_TUNNEL ||
          adapter->IfType == IF_TYPE_PPP) {
        continue;
      }
      sockaddr_in ip{};
      std::memcpy(&ip, unicast->Address.lpSockaddr, sizeof ip);
      unsigned long broadcast = 0;
      if (!directed_broadcast(ntohl(ip.sin_addr.s_addr), unicast->OnLinkPrefixLength, broadcast)) {
        continue;
      }
      IN_ADDR out{};
      out.s_addr = htonl(broadcast);
      char text[INET_ADDRSTRLEN] = {};
      InetNtopA(AF_INET, &out, text, sizeof text);
      add_once(one.broadcasts, text);
    }
    result.list.push_back(std::move(one));
  }
  return result;
}

} // namespace wol
