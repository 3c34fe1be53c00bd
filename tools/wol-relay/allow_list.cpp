#include "allow_list.h"

#include "text.h"

#include <cerrno>
#include <cstring>

namespace wol::relay {

AllowListRead read_allow_list(const std::string &file) {
  AllowListRead result;
  std::string text;
  if (!read_text_file(file, text)) {
    result.error = shown(file) + ": cannot be read: " + std::strerror(errno);
    return result;
  }
  Ethers list;
  list.read(text);
  if (!list.problems().empty()) {
    const EthersProblem &first = list.problems().front();
    result.error = shown(file) + ":" + std::to_string(first.line) + ": " + first.message;
  } else if (list.entries().empty()) {
    result.error = shown(file) + ": no MAC in it";
  } else {
    result.list = std::move(list);
  }
  return result;
}

} // namespace wol::relay
