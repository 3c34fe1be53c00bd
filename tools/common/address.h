// Addresses as the tools read, resolve and show them. One rule says what a
// text means (an IPv4 dotted quad, an IPv6 address or a host name) for every
// option and every field of a file; dotted quads are read the same way on
// every platform, and names by the system's resolver.
#ifndef WOL_COMMON_ADDRESS_H
#define WOL_COMMON_ADDRESS_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// An IPv4 or IPv6 address, in network byte order, with an IPv6 scope (the
// interface index of fe80::1%eth0 or ff02::1%eth0).
struct Endpoint {
  bool ipv6 = false;
  std::array<unsigned char, 16> bytes{}; // IPv4: the first four
  std::uint32_t scope = 0;
};

// The same address (the scope aside).
inline bool same_address(const Endpoint &a, const Endpoint &b) {
  return a.ipv6 == b.ipv6 && a.bytes == b.bytes;
}

enum class AddressShape : std::uint8_t { ipv4, ipv6, name };

// What `text` is meant to be. With a ':' it is an IPv6 address (perhaps
// with a %scope). Without one, it is an IPv4 address when its last
// dot-separated part (a last dot aside) begins with a digit: no top-level
// domain does, so 127.1, 0x7f.1 and 10.0.0.256 are mistyped addresses,
// never names for the resolver (which would take the first two for
// 127.0.0.1). Anything else is a host name.
AddressShape address_shape(std::string_view text);

// A dotted quad: four decimal numbers from 0 to 255, without leading zeros
// (which some readers take as octal).
std::optional<Endpoint> parse_ipv4(std::string_view text);

// An IPv4 dotted quad or an IPv6 address without a scope.
std::optional<Endpoint> parse_address(std::string_view text);

// The address as inet_ntop writes it (without a scope).
std::string address_text(const Endpoint &address);

// The usage error for an ADDRESS value (`name` is how the usage names it)
// whose shape says it is an address that it is not: a dotted quad, or an
// IPv6 address with a scope where one follows '%'; "" for one that may be
// used (a host name is resolved later, a scope looked up later).
std::string address_usage_error(std::string_view name, std::string_view value);

// A host name's addresses, IPv4 and IPv6, in the resolver's order, each
// once; or the resolver's reason.
struct Resolved {
  std::vector<Endpoint> addresses;
  std::string error;
};
Resolved resolve(const std::string &name);

} // namespace wol

#endif
