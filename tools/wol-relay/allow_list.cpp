#include "allow_list.h"

#include "text.h"

namespace wol::relay {

AllowListRead read_allow_list(const std::string &file) {
  AllowListRead result;
  EthersRead read = read_ethers(file);
  if (!read.ethers) {
    result.error = shown(file) +
                   (read.line != 0 ? ":" + std::to_string(read.line) + ": "
                                   : std::string(": cannot be read: ")) +
                   read.error;
    return result;
  }
  const Ethers &list = *read.ethers;
  if (!list.problems().empty()) {
    const EthersProblem &first = list.problems().front();
    result.error = shown(file) + ":" + std::to_string(first.line) + ": " + first.message;
  } else if (list.entries().empty()) {
    result.error = shown(file) + ": no MAC in it";
  } else {
    result.list = std::move(read.ethers);
  }
  return result;
}

} // namespace wol::relay
