#include "destinations.h"

#include "text.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace wol {
namespace {

// Text of digits and dots is meant as a dotted quad, and is no host name.
bool dotted_quad_shaped(std::string_view text) {
  return text.find_first_not_of("0123456789.") == std::string_view::npos;
}

// -6: ff02::1 on the chosen interface, or on every one that is up and can
// multicast, with the interface as the scope (Windows knows scopes only by
// index). Returns the message when there is none.
std::string ipv6_destinations(const Interfaces &found, const Interface *chosen,
                              std::vector<std::string> &out) {
  for (const Interface &each : found.list) {
    if (chosen == &each || (chosen == nullptr && each.up && each.multicast)) {
#ifdef _WIN32
      add_once(out, "ff02::1%" + std::to_string(each.index));
#else
      add_once(out, "ff02::1%" + each.name);
#endif
    }
  }
  return out.empty() ? "no interface is up that can multicast over IPv6" : "";
}

// -a and -I: the directed broadcasts of the chosen interface, or of every
// one that is up.
std::string ipv4_destinations(const Interfaces &found, const Interface *chosen,
                              std::vector<std::string> &out) {
  for (const Interface &each : found.list) {
    if (chosen == &each || (chosen == nullptr && each.up)) {
      for (const std::string &broadcast : each.broadcasts) {
        add_once(out, broadcast);
      }
    }
  }
  if (!out.empty()) {
    return {};
  }
  return chosen != nullptr ? shown(chosen->name) + ": no IPv4 address with a broadcast"
                           : "no IPv4 interface is up that can broadcast";
}

} // namespace

std::string destination_conflict(const DestinationChoice &choice) {
#ifdef __linux__
  constexpr bool kRawEthernet = true;
#else
  constexpr bool kRawEthernet = false;
#endif
  if (choice.ethernet) {
    if (!kRawEthernet) {
      return "-e sends raw Ethernet frames, which this build cannot: Linux only";
    }
    for (const auto &[given, name] :
         {std::pair{choice.address.has_value(), "-i"}, std::pair{choice.all_interfaces, "-a"},
          std::pair{choice.ipv6, "-6"}}) {
      if (given) {
        return std::string("-e sends a raw Ethernet frame; it cannot go with ") + name;
      }
    }
    return choice.iface ? "" : "-e needs -I IFACE, the interface to send the frame out of";
  }
  const char *with = choice.address ? "-i" : "-a";
  if (choice.ipv6 && (choice.address || choice.all_interfaces)) {
    return std::string("-6 sends to ff02::1; it cannot go with ") + with;
  }
  if (choice.iface && (choice.address || choice.all_interfaces)) {
    return std::string("-I sends out of one interface; it cannot go with ") + with;
  }
  if (choice.all_interfaces && choice.address) {
    return "-a sends to every interface's broadcast; it cannot go with -i";
  }
  return {};
}

bool from_interfaces(const DestinationChoice &choice) {
  return choice.all_interfaces || choice.iface || choice.ipv6 || choice.ethernet;
}

InterfaceDestinations interface_destinations(const DestinationChoice &choice,
                                             const Interfaces &found) {
  InterfaceDestinations result;
  result.error = found.error;
  const Interface *chosen = nullptr;
  if (result.error.empty() && choice.iface) {
    chosen = find_interface(found, *choice.iface);
    if (chosen == nullptr) {
      result.error = unknown_interface(found, *choice.iface);
    }
  }
  if (result.error.empty() && choice.ethernet && chosen != nullptr) {
    result.frame_interface = chosen->name; // -e goes with -I
    result.frame_index = chosen->index;
    return result;
  }
  if (result.error.empty()) {
    result.error = choice.ipv6 ? ipv6_destinations(found, chosen, result.addresses)
                               : ipv4_destinations(found, chosen, result.addresses);
  }
  return result;
}

Resolved find_endpoint(const std::string &address) {
  if (dotted_quad_shaped(address)) {
    Resolved result{parse_ipv4(address), {}};
    if (!result.endpoint) {
      result.error = kBadAddress;
    }
    return result;
  }
  Resolved result = resolve(address);
  if (!result.endpoint) {
    result.error = shown(address) + ": " + result.error;
  }
  return result;
}

std::string shown_destination(const std::string &address, int port) {
  const bool colons = address.find(':') != std::string::npos;
  return (colons ? "[" + shown(address) + "]" : shown(address)) + ":" + std::to_string(port);
}

} // namespace wol
