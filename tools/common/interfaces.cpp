#include "interfaces.h"

#include "text.h"

#include <algorithm>

namespace wol {

bool directed_broadcast(unsigned long address, unsigned prefix, unsigned long &broadcast) {
  constexpr unsigned kLongestWithBroadcast = 30;
  if (prefix > kLongestWithBroadcast) {
    return false;
  }
  const unsigned long host_bits = 0xFFFFFFFFUL >> prefix;
  broadcast = (address | host_bits) & 0xFFFFFFFFUL;
  return true;
}

void add_once(std::vector<std::string> &list, std::string address) {
  if (std::find(list.begin(), list.end(), address) == list.end()) {
    list.push_back(std::move(address));
  }
}

const Interface *find_interface(const Interfaces &interfaces, const std::string &name) {
  for (const Interface &each : interfaces.list) {
    if (each.name == name) {
      return &each;
    }
  }
  for (const Interface &each : interfaces.list) {
    if (std::to_string(each.index) == name) {
      return &each;
    }
  }
  return nullptr;
}

std::string interface_names(const Interfaces &interfaces) {
  std::string known;
  for (const Interface &each : interfaces.list) {
    known += (known.empty() ? "" : ", ") + shown(each.name);
  }
  return known;
}

std::string unknown_interface(const Interfaces &interfaces, const std::string &name) {
  return shown(name) + ": no such interface; there are: " + interface_names(interfaces);
}

const Interface *interface_of_index(const Interfaces &interfaces, unsigned index) {
  for (const Interface &each : interfaces.list) {
    if (index != 0 && (each.index == index || each.ipv4_index == index)) {
      return &each;
    }
  }
  return nullptr;
}

bool is_local_address(const Interfaces &interfaces, const Endpoint &address) {
  for (const Interface &each : interfaces.list) {
    for (const Endpoint &own : each.addresses) {
      if (same_address(own, address)) {
        return true;
      }
    }
  }
  return false;
}

} // namespace wol
