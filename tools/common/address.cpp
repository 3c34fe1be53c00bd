#include "address.h"

#include "socket_address.h"
#include "socket_calls.h"
#include "text.h"

#include <algorithm>
#include <cstring>

namespace wol {
namespace {

constexpr char kDottedQuad[] = "a dotted quad (four numbers from 0 to 255)";

std::optional<Endpoint> parse_ipv6(std::string_view text) {
  Endpoint endpoint;
  endpoint.ipv6 = true;
  const std::string copy(text);
  if (inet_pton(AF_INET6, copy.c_str(), endpoint.bytes.data()) != 1) {
    return std::nullopt;
  }
  return endpoint;
}

} // namespace

AddressShape address_shape(std::string_view text) {
  if (text.find(':') != std::string_view::npos) {
    return AddressShape::ipv6;
  }
  if (!text.empty() && text.back() == '.') { // a name may end with the root's dot
    text.remove_suffix(1);
  }
  const std::size_t dot = text.rfind('.');
  const std::string_view last = dot == std::string_view::npos ? text : text.substr(dot + 1);
  return !last.empty() && last[0] >= '0' && last[0] <= '9' ? AddressShape::ipv4
                                                           : AddressShape::name;
}

std::optional<Endpoint> parse_ipv4(std::string_view text) {
  constexpr std::size_t kParts = 4;
  constexpr long long kMaxPart = 255;
  Endpoint endpoint;
  for (std::size_t part = 0; part < kParts; ++part) {
    const std::size_t dot = part + 1 < kParts ? text.find('.') : text.size();
    const std::string_view digits = text.substr(0, dot);
    const std::optional<long long> value = decimal(digits);
    if (dot == std::string_view::npos || !value || *value > kMaxPart ||
        (digits.size() > 1 && digits[0] == '0')) {
      return std::nullopt;
    }
    endpoint.bytes[part] = static_cast<unsigned char>(*value);
    text.remove_prefix(std::min(dot + 1, text.size()));
  }
  return endpoint;
}

std::optional<Endpoint> parse_address(std::string_view text) {
  return address_shape(text) == AddressShape::ipv6 ? parse_ipv6(text) : parse_ipv4(text);
}

std::string address_text(const Endpoint &address) {
  char text[INET6_ADDRSTRLEN] = {};
  (void)inet_ntop(address.ipv6 ? AF_INET6 : AF_INET, address.bytes.data(), text, sizeof text);
  return text;
}

std::string address_usage_error(std::string_view name, std::string_view value) {
  switch (address_shape(value)) {
  case AddressShape::ipv4:
    return parse_ipv4(value)
               ? ""
               : std::string(name) + " must be " + kDottedQuad + ", not " + quoted(value);
  case AddressShape::ipv6: {
    const std::size_t percent = value.find('%');
    const bool scope_ok = percent == std::string_view::npos || percent + 1 < value.size();
    return scope_ok && parse_ipv6(value.substr(0, percent))
               ? ""
               : std::string(name) + " must be an IPv6 address (fe80::1%eth0), not " +
                     quoted(value);
  }
  case AddressShape::name:
    break;
  }
  return {};
}

Resolved resolve(const std::string &name) {
  Resolved result;
  if (std::optional<std::string> failed = start_sockets()) {
    result.error = std::move(*failed);
    return result;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo *found = nullptr;
  const int error = getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (error != 0) {
    result.error = resolver_reason(error);
    return result;
  }
  for (const addrinfo *each = found; each != nullptr; each = each->ai_next) {
    const std::optional<Endpoint> address = endpoint_of(*each);
    if (address &&
        std::none_of(result.addresses.begin(), result.addresses.end(),
                     [&](const Endpoint &seen) { return same_address(seen, *address); })) {
      result.addresses.push_back(*address);
    }
  }
  freeaddrinfo(found);
  if (result.addresses.empty()) {
    result.error = "no IPv4 or IPv6 address";
  }
  return result;
}

} // namespace wol
