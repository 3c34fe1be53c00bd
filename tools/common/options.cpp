#include "options.h"

#include "text.h"

namespace wol {

std::string quoted(std::string_view text) { return "'" + shown(text) + "'"; }

std::string read_number(std::string_view name, std::string_view text, long long low, long long high,
                        int &out) {
  const std::optional<long long> value = decimal(text);
  if (!value) {
    return std::string(name) + " must be a number, not " + quoted(text);
  }
  if (*value < low || *value > high) {
    return std::string(name) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not " + quoted(text);
  }
  out = static_cast<int>(*value);
  return {};
}

} // namespace wol
