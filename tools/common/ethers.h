// Host names of the ethers file, ethers(5): "MAC NAME" a line, '#' starts
// a comment, MACs in any form the tools take (8:0:20:1:14:5c as the file's
// own tools write it). Lines that hold no such pair are passed over, as the
// C library's ether_ntohost does. Names are matched without regard to case.
#ifndef WOL_COMMON_ETHERS_H
#define WOL_COMMON_ETHERS_H

#include "mac_forms.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wol {

// /etc/ethers; on Windows %SystemRoot%\System32\drivers\etc\ethers.
std::string default_ethers_file();

class Ethers {
public:
  // Reads the text of an ethers file.
  void read(std::string_view text);
  // The MAC of `name`: the first line that names it.
  [[nodiscard]] std::optional<MacBytes> find(std::string_view name) const;

private:
  std::vector<std::pair<std::string, MacBytes>> entries_;
};

} // namespace wol

#endif
