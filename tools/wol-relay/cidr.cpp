#include "cidr.h"

#include "text.h"

namespace wol::relay {
namespace {

// Clears the bits of `address` past `prefix`.
Endpoint masked(Endpoint address, unsigned prefix) {
  const std::size_t size = address.ipv6 ? 16 : 4;
  for (std::size_t byte = 0; byte < size; ++byte) {
    const unsigned kept = prefix > byte * 8 ? prefix - static_cast<unsigned>(byte * 8) : 0;
    if (kept < 8) {
      address.bytes[byte] &= static_cast<unsigned char>(0xFF00U >> kept);
    }
  }
  address.scope = 0;
  return address;
}

} // namespace

std::optional<Cidr> parse_cidr(std::string_view text) {
  const std::size_t slash = text.find('/');
  const std::optional<Endpoint> address = parse_address(std::string(text.substr(0, slash)));
  if (!address) {
    return std::nullopt;
  }
  const unsigned longest = address->ipv6 ? 128 : 32;
  unsigned prefix = longest;
  if (slash != std::string_view::npos) {
    const std::string_view digits = text.substr(slash + 1);
    const std::optional<long long> value = decimal(digits);
    if (!value || digits.size() > 3 || *value > longest) {
      return std::nullopt;
    }
    prefix = static_cast<unsigned>(*value);
  }
  return Cidr{masked(*address, prefix), prefix};
}

std::string cidr_text(const Cidr &cidr) {
  return address_text(cidr.network) + "/" + std::to_string(cidr.prefix);
}

bool contains(const Cidr &cidr, const Endpoint &address) {
  return address.ipv6 == cidr.network.ipv6 &&
         same_address(masked(address, cidr.prefix), cidr.network);
}

} // namespace wol::relay
