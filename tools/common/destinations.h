// Where a wake-up goes, worked out once from the options that choose it,
// which wol-wake and wol-relay share, as a list of Destinations that the
// transport sends to: an address (-i), the directed broadcast of every IPv4
// subnet of every interface that is up (-a), of one interface (-I), IPv6's
// all-nodes group ff02::1 on one interface or on every one (-6), a raw
// Ethernet frame out of one interface (-e), or else the limited broadcast
// 255.255.255.255. With -I every datagram leaves by that interface alone,
// -i's and a file line's own ADDRESS too.
#ifndef WOL_COMMON_DESTINATIONS_H
#define WOL_COMMON_DESTINATIONS_H

#include "address.h"
#include "interfaces.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

constexpr char kLimitedBroadcast[] = "255.255.255.255";

struct DestinationChoice {
  std::optional<std::string> address; // -i
  bool all_interfaces = false;        // -a
  std::optional<std::string> iface;   // -I
  bool ipv6 = false;                  // -6
  bool ethernet = false;              // -e, with -I
};

// Options that choose the destinations in two ways at once, or -e where
// it cannot be: the usage error, or "". `address_is` names the address in
// the error: "-i", or the 1.0 form's "an ADDRESS".
std::string destination_conflict(const DestinationChoice &choice,
                                 std::string_view address_is = "-i");

// One place a packet goes.
struct Destination {
  bool frame = false;           // a raw Ethernet frame (-e), not a datagram
  Endpoint address;             // a datagram's address, with its IPv6 scope...
  int port = 0;                 // ... and port
  unsigned interface_index = 0; // the interface it leaves by (its index for the address's
                                // family; a frame's); 0: the one the system routes it by
  std::string interface_name;   // that interface's name
  std::string shown;            // "192.0.2.255:9", "[ff02::1%eth0]:9", "ff:ff:ff:ff:ff:ff on eth0"
};

struct Destinations {
  std::vector<Destination> list;
  std::string error; // when not empty: there are none, and why
};

// Works out the destinations of a run. The interfaces are listed once, when
// first needed, and each host name is resolved once.
class DestinationPlanner {
public:
  explicit DestinationPlanner(DestinationChoice choice) : choice_(std::move(choice)) {}

  // Where the options send, on `port`: each destination once, in the
  // interfaces' order. The error names the option's value that failed.
  Destinations planned(int port);

  // Where an option's ADDRESS (-i, --up's HOST) sends, on `port`; the error
  // names the value.
  Destinations for_option(const std::string &address, int port);

  // Where a file line's own ADDRESS sends, on `port`. The error names the
  // field, never what it held: a file may be anyone's.
  Destinations for_line(const std::string &address, int port);

  // The interfaces, as first listed.
  const Interfaces &interfaces();

  // Lists the interfaces again when next needed (they come and go).
  void forget_interfaces() { interfaces_.reset(); }

private:
  enum class Fault : std::uint8_t { none, bad_address, unknown_scope, unresolved };
  // -e's frame out of `out`; -6's groups and -a's or -I's broadcasts on
  // the chosen interface, or on every one for none.
  static Destinations frame(const Interface *out);
  Destinations groups(const Interface *chosen, int port);
  Destinations broadcasts(const Interface *chosen, int port);
  std::optional<Destination> datagram(const std::string &address, int port, Fault &fault,
                                      std::string &reason);
  // The interface named by -I; nothing, with the error, when there is none.
  const Interface *chosen_interface(std::string &error);

  DestinationChoice choice_;
  std::optional<Interfaces> interfaces_;
  std::map<std::string, Resolved> names_;
};

// ADDRESS:PORT, or [ADDRESS]:PORT for IPv6, control characters escaped.
std::string shown_destination(const std::string &address, int port);

} // namespace wol

#endif
