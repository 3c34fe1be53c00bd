#include "destinations.h"

#include "text.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace wol {
namespace {

constexpr char kLineAddress[] = "ADDRESS (the second field) ";

// The index that a datagram of the family leaves `out` by (Windows numbers
// an interface's IPv4 and IPv6 apart).
unsigned index_for(const Interface &out, bool ipv6) {
  return ipv6 || out.ipv4_index == 0 ? out.index : out.ipv4_index;
}

// IPv6's all-nodes group, ff02::1.
Endpoint all_nodes() {
  Endpoint group;
  group.ipv6 = true;
  group.bytes[0] = 0xFF;
  group.bytes[1] = 0x02;
  group.bytes[15] = 0x01;
  return group;
}

// -6: ff02::1 on the chosen interface, or on every one that is up and can
// multicast, with the interface as the scope (shown as Windows knows scopes:
// by index).
std::vector<std::pair<std::string, const Interface *>> ipv6_groups(const Interfaces &found,
                                                                   const Interface *chosen) {
  std::vector<std::pair<std::string, const Interface *>> out;
  for (const Interface &each : found.list) {
    if (chosen == &each || (chosen == nullptr && each.up && each.multicast)) {
#ifdef _WIN32
      out.emplace_back("ff02::1%" + std::to_string(each.index), &each);
#else
      out.emplace_back("ff02::1%" + each.name, &each);
#endif
    }
  }
  return out;
}

// -a and -I: the directed broadcasts of the chosen interface, or of every
// one that is up; each once.
std::vector<std::string> ipv4_broadcasts(const Interfaces &found, const Interface *chosen) {
  std::vector<std::string> out;
  for (const Interface &each : found.list) {
    if (chosen == &each || (chosen == nullptr && each.up)) {
      for (const std::string &broadcast : each.broadcasts) {
        add_once(out, broadcast);
      }
    }
  }
  return out;
}

} // namespace

std::string destination_conflict(const DestinationChoice &choice, std::string_view address_is) {
#ifdef __linux__
  constexpr bool kRawEthernet = true;
#else
  constexpr bool kRawEthernet = false;
#endif
  if (choice.ethernet) {
    if (!kRawEthernet) {
      return "-e sends raw Ethernet frames, which this build cannot: Linux only";
    }
    for (const auto &[given, name] : {std::pair{choice.address.has_value(), address_is},
                                      std::pair{choice.all_interfaces, std::string_view("-a")},
                                      std::pair{choice.ipv6, std::string_view("-6")}}) {
      if (given) {
        return "-e sends a raw Ethernet frame; it cannot go with " + std::string(name);
      }
    }
    return choice.iface ? "" : "-e needs -I IFACE, the interface to send the frame out of";
  }
  const std::string with(choice.address ? address_is : "-a");
  if (choice.ipv6 && (choice.address || choice.all_interfaces)) {
    return "-6 sends to ff02::1; it cannot go with " + with;
  }
  if (choice.iface && choice.all_interfaces) {
    return "-I sends out of one interface; it cannot go with -a";
  }
  if (choice.all_interfaces && choice.address) {
    return "-a sends to every interface's broadcast; it cannot go with " + with;
  }
  return {};
}

const Interfaces &DestinationPlanner::interfaces() {
  if (!interfaces_) {
    interfaces_ = list_interfaces();
  }
  return *interfaces_;
}

const Interface *DestinationPlanner::chosen_interface(std::string &error) {
  if (!choice_.iface) {
    return nullptr;
  }
  const Interfaces &found = interfaces();
  if (!found.error.empty()) {
    error = found.error;
    return nullptr;
  }
  const Interface *chosen = find_interface(found, *choice_.iface);
  if (chosen == nullptr) {
    error = unknown_interface(found, *choice_.iface);
  }
  return chosen;
}

std::optional<Destination> DestinationPlanner::datagram(const std::string &address, int port,
                                                        Fault &fault, std::string &reason) {
  Destination out;
  out.port = port;
  out.shown = shown_destination(address, port);
  switch (address_shape(address)) {
  case AddressShape::ipv4:
  case AddressShape::ipv6: {
    const std::size_t percent = address.find('%');
    const std::optional<Endpoint> parsed =
        parse_address(std::string_view(address).substr(0, percent));
    if (!parsed || (percent != std::string::npos && !parsed->ipv6)) {
      fault = Fault::bad_address;
      return std::nullopt;
    }
    out.address = *parsed;
    if (percent != std::string::npos) {
      const Interface *scope = find_interface(interfaces(), address.substr(percent + 1));
      if (scope == nullptr) {
        fault = Fault::unknown_scope;
        reason = interface_names(interfaces());
        return std::nullopt;
      }
      out.address.scope = scope->index;
    }
    break;
  }
  case AddressShape::name: {
    auto known = names_.find(address);
    if (known == names_.end()) {
      known = names_.emplace(address, resolve(address)).first;
    }
    if (known->second.addresses.empty()) {
      fault = Fault::unresolved;
      reason = known->second.error;
      return std::nullopt;
    }
    out.address = known->second.addresses.front();
    break;
  }
  }
  if (choice_.iface) {
    std::string error;
    if (const Interface *chosen = chosen_interface(error)) {
      out.interface_index = index_for(*chosen, out.address.ipv6);
      out.interface_name = chosen->name;
    }
  }
  fault = Fault::none;
  return out;
}

Destinations DestinationPlanner::planned(int port) {
  Destinations result;
  const Interface *chosen = chosen_interface(result.error);
  if (choice_.iface && chosen == nullptr) {
    return result;
  }
  if (choice_.ethernet) {
    return frame(chosen);
  }
  if (choice_.address) {
    return for_option(*choice_.address, port);
  }
  if (choice_.ipv6) {
    return groups(chosen, port);
  }
  if (choice_.all_interfaces || chosen != nullptr) {
    return broadcasts(chosen, port);
  }
  return for_option(kLimitedBroadcast, port);
}

Destinations DestinationPlanner::frame(const Interface *out) {
  Destinations result;
  if (out == nullptr) {
    result.error = "-e needs -I IFACE, the interface to send the frame out of";
    return result;
  }
  Destination each;
  each.frame = true;
  each.interface_index = out->index;
  each.interface_name = out->name;
  each.shown = "ff:ff:ff:ff:ff:ff on " + shown(out->name);
  result.list.push_back(std::move(each));
  return result;
}

Destinations DestinationPlanner::groups(const Interface *chosen, int port) {
  Destinations result;
  for (auto &[group, out] : ipv6_groups(interfaces(), chosen)) {
    Destination each;
    each.address = all_nodes();
    each.address.scope = out->index;
    each.port = port;
    each.interface_index = chosen != nullptr ? out->index : 0;
    each.interface_name = out->name;
    each.shown = shown_destination(group, port);
    result.list.push_back(std::move(each));
  }
  if (result.list.empty()) {
    result.error = interfaces().error.empty() ? "no interface is up that can multicast over IPv6"
                                              : interfaces().error;
  }
  return result;
}

Destinations DestinationPlanner::broadcasts(const Interface *chosen, int port) {
  Destinations result;
  const std::vector<std::string> addresses = ipv4_broadcasts(interfaces(), chosen);
  if (addresses.empty()) {
    if (!interfaces().error.empty()) {
      result.error = interfaces().error;
    } else if (chosen != nullptr) {
      result.error = shown(chosen->name) + ": no IPv4 address with a broadcast";
    } else {
      result.error = "no IPv4 interface is up that can broadcast";
    }
    return result;
  }
  for (const std::string &address : addresses) {
    Destinations one = for_option(address, port);
    if (!one.error.empty()) {
      return one;
    }
    result.list.push_back(std::move(one.list.front()));
  }
  return result;
}

Destinations DestinationPlanner::for_option(const std::string &address, int port) {
  Destinations result;
  Fault fault = Fault::none;
  std::string reason;
  if (std::optional<Destination> each = datagram(address, port, fault, reason)) {
    result.list.push_back(std::move(*each));
    return result;
  }
  switch (fault) {
  case Fault::bad_address:
    result.error = address_usage_error("ADDRESS", address);
    break;
  case Fault::unknown_scope:
    result.error = unknown_interface(interfaces(), address.substr(address.find('%') + 1));
    break;
  case Fault::unresolved:
  case Fault::none:
    result.error = shown(address) + ": " + reason;
    break;
  }
  return result;
}

Destinations DestinationPlanner::for_line(const std::string &address, int port) {
  Destinations result;
  if (choice_.ethernet) {
    result.error = "-e sends a raw Ethernet frame; a line's own ADDRESS cannot go with it";
    return result;
  }
  Fault fault = Fault::none;
  std::string reason;
  if (std::optional<Destination> each = datagram(address, port, fault, reason)) {
    result.list.push_back(std::move(*each));
    return result;
  }
  switch (fault) {
  case Fault::bad_address:
    result.error =
        std::string(kLineAddress) + (address_shape(address) == AddressShape::ipv4
                                         ? "must be a dotted quad (four numbers from 0 to 255)"
                                         : "must be an IPv6 address");
    break;
  case Fault::unknown_scope:
    result.error =
        std::string(kLineAddress) + "has a scope that is no interface; there are: " + reason;
    break;
  case Fault::unresolved:
  case Fault::none:
    result.error = std::string(kLineAddress) + "does not resolve: " + reason;
    break;
  }
  return result;
}

std::string shown_destination(const std::string &address, int port) {
  const bool colons = address.find(':') != std::string::npos;
  return (colons ? "[" + shown(address) + "]" : shown(address)) + ":" + std::to_string(port);
}

} // namespace wol
