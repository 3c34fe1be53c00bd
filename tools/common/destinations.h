// Where a wake-up goes, worked out once from the options that choose it,
// which wol-wake and wol-relay share: an address (-i), the directed
// broadcast of every IPv4 subnet of every interface that is up (-a), of one
// interface (-I), IPv6's all-nodes group ff02::1 on one interface or on
// every one (-6), a raw Ethernet frame out of one interface (-e), or else
// the limited broadcast 255.255.255.255.
#ifndef WOL_COMMON_DESTINATIONS_H
#define WOL_COMMON_DESTINATIONS_H

#include "interfaces.h"
#include "transport.h"

#include <optional>
#include <string>
#include <vector>

namespace wol {

constexpr char kLimitedBroadcast[] = "255.255.255.255";
// The library's text for an address it cannot read, kept for the tools' own check.
constexpr char kBadAddress[] = "invalid broadcast_ip (must be IPv4 dotted quad)";

struct DestinationChoice {
  std::optional<std::string> address; // -i
  bool all_interfaces = false;        // -a
  std::optional<std::string> iface;   // -I
  bool ipv6 = false;                  // -6
  bool ethernet = false;              // -e, with -I
};

// Options that choose the destinations in two ways at once, or -e where
// it cannot be: the usage error, or "".
std::string destination_conflict(const DestinationChoice &choice);

// Whether the destinations come from the interfaces (-a, -I, -6, -e).
bool from_interfaces(const DestinationChoice &choice);

struct InterfaceDestinations {
  std::vector<std::string> addresses; // -a, -I, -6: each once, in the interfaces' order
  std::string frame_interface;        // -e: the interface's name...
  unsigned frame_index = 0;           // ... and index
  std::string error;                  // when not empty: there are none, and why
};

// The destinations that -a, -I, -6 or -e choose among `found`.
InterfaceDestinations interface_destinations(const DestinationChoice &choice,
                                             const Interfaces &found);

// An address to send to: text of digits and dots must be a dotted quad (a
// resolver would take 127.1 for 127.0.0.1), refused with the library's
// message; anything else is an IPv6 literal or a host name for the resolver.
Resolved find_endpoint(const std::string &address);

// ADDRESS:PORT, or [ADDRESS]:PORT for IPv6, control characters escaped.
std::string shown_destination(const std::string &address, int port);

} // namespace wol

#endif
