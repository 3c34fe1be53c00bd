// The interfaces -a sends on: the directed broadcast address of every IPv4
// address of every interface that is up, has a link (carrier) and can
// broadcast, and is not loopback. One file per platform:
// interfaces_posix.cpp (getifaddrs), interfaces_win32.cpp
// (GetAdaptersAddresses).
#ifndef WOL_WAKE_INTERFACES_H
#define WOL_WAKE_INTERFACES_H

#include <string>
#include <vector>

namespace wol_wake {

struct Broadcasts {
  std::vector<std::string> addresses; // dotted quads, each once, in the system's order
  std::string error;                  // when not empty: the list could not be read
};

Broadcasts interface_broadcasts();

// The directed broadcast of an address with `prefix` network bits (both in
// host byte order), or nothing for a /31 or /32, which have none.
bool directed_broadcast(unsigned long address, unsigned prefix, unsigned long &broadcast);

// Adds `address` to `list` unless it is there already.
void add_once(std::vector<std::string> &list, std::string address);

} // namespace wol_wake

#endif
