#include "target_file.h"

#include "text.h"

#include <vector>

namespace wol::wake {
namespace {

constexpr std::size_t kMaxFields = 3;
constexpr long long kMaxPort = 65535;

} // namespace

std::optional<TargetLine> target_line(const Line &line) {
  TargetLine target;
  target.number = line.number;
  if (!line.error.empty()) {
    target.error = line.error;
    return target;
  }
  const std::vector<std::string> fields = split_fields(line.text);
  if (fields.empty()) {
    return std::nullopt;
  }
  if (fields.size() > kMaxFields) {
    target.error = "too many fields (expected MAC [ADDRESS [PORT]])";
    return target;
  }
  target.mac = fields[0];
  if (fields.size() >= 2) {
    target.address = fields[1];
  }
  if (fields.size() == 3) {
    const std::optional<long long> port = decimal(fields[2]);
    if (!port || *port < 1 || *port > kMaxPort) {
      target.error = "PORT (the third field) must be a number from 1 to 65535";
      return target;
    }
    target.port = static_cast<int>(*port);
  }
  return target;
}

} // namespace wol::wake
