// The host's interfaces, for the options that choose destinations from
// them: -a (the directed broadcast of every IPv4 address of every interface
// that is up, has a link (carrier) and can broadcast, and is not loopback),
// -I (one interface's broadcasts) and -6 (ff02::1 on one interface, or on
// every one that is up and can multicast). One file per platform:
// interfaces_posix.cpp (getifaddrs), interfaces_win32.cpp
// (GetAdaptersAddresses).
#ifndef WOL_COMMON_INTERFACES_H
#define WOL_COMMON_INTERFACES_H

#include "address.h"

#include <string>
#include <vector>

namespace wol {

struct Interface {
  std::string name;                    // eth0; on Windows the friendly name, "Ethernet 2"
  unsigned index = 0;                  // the system's interface index (IPv6's on Windows)
  bool up = false;                     // up, with a link (carrier); not loopback
  bool multicast = false;              // can multicast, and has IPv6
  std::vector<std::string> broadcasts; // IPv4 directed broadcasts, each once
  std::vector<Endpoint> addresses;     // its own IPv4 and IPv6 addresses, loopback's too
  unsigned ipv4_index = 0;             // Windows: IPv4's index, where it differs
};

struct Interfaces {
  std::vector<Interface> list; // in the system's order
  std::string error;           // when not empty: the list could not be read
};

Interfaces list_interfaces();

// The one named `name`, or else the one whose index `name` is; none: null.
const Interface *find_interface(const Interfaces &interfaces, const std::string &name);

// "lo, eth0, eth1": the interfaces' names, in the system's order.
std::string interface_names(const Interfaces &interfaces);

// "NAME: no such interface; there are: lo, eth0, eth1".
std::string unknown_interface(const Interfaces &interfaces, const std::string &name);

// The one whose index (IPv4's or IPv6's) is `index`; none: null.
const Interface *interface_of_index(const Interfaces &interfaces, unsigned index);

// Whether `address` is one of this machine's own.
bool is_local_address(const Interfaces &interfaces, const Endpoint &address);

// The directed broadcast of an address with `prefix` network bits (both in
// host byte order), or nothing for a /31 or /32, which have none.
bool directed_broadcast(unsigned long address, unsigned prefix, unsigned long &broadcast);

// Adds `address` to `list` unless it is there already.
void add_once(std::vector<std::string> &list, std::string address);

} // namespace wol

#endif
