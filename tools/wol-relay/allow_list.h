// The relay's allow-list: the MACs it forwards for, in the ethers format
// ("MAC NAME" a line, '#' comments, a MAC alone allowed). Unlike a look-up
// of names, it passes over nothing: a line that is not a MAC, or a file
// without one, keeps the relay from starting (or keeps the old list when
// it is read again).
#ifndef WOL_RELAY_ALLOW_LIST_H
#define WOL_RELAY_ALLOW_LIST_H

#include "ethers.h"

#include <optional>
#include <string>

namespace wol::relay {

struct AllowListRead {
  std::optional<Ethers> list;
  std::string error; // "FILE:3: the first field is not a MAC address", ...
};

AllowListRead read_allow_list(const std::string &file);

} // namespace wol::relay

#endif
