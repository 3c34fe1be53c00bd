// The senders that --from lets ask: an address with a prefix length
// (192.0.2.0/24, 2001:db8::/32), or an address alone (/32, /128).
#ifndef WOL_RELAY_CIDR_H
#define WOL_RELAY_CIDR_H

#include "transport.h"

#include <optional>
#include <string>
#include <string_view>

namespace wol::relay {

struct Cidr {
  Endpoint network; // host bits cleared
  unsigned prefix = 0;
};

std::optional<Cidr> parse_cidr(std::string_view text);

// "192.0.2.0/24".
std::string cidr_text(const Cidr &cidr);

bool contains(const Cidr &cidr, const Endpoint &address);

} // namespace wol::relay

#endif
