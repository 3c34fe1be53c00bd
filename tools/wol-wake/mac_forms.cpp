#include "mac_forms.h"

#include <cstddef>

namespace wol_wake {
namespace {

constexpr std::size_t kDigits = 12;

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether `text` is twelve hex digits with `separator` after every `group`
// of them but the last (AA-BB-CC-DD-EE-FF: 2, aabb.ccdd.eeff: 4; the
// compact form: no separator at all, group 12).
bool is_grouped(std::string_view text, char separator, std::size_t group) {
  if (text.size() != kDigits + kDigits / group - 1) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool separator_place = (i + 1) % (group + 1) == 0;
    if (separator_place ? text[i] != separator : !is_hex(text[i])) {
      return false;
    }
  }
  return true;
}

} // namespace

bool is_mac_form(std::string_view text) {
  return is_grouped(text, ':', 2) || is_grouped(text, '-', 2) || is_grouped(text, '.', 4) ||
         is_grouped(text, '\0', kDigits);
}

std::string library_mac(std::string_view text) {
  if (!is_grouped(text, '-', 2) && !is_grouped(text, '.', 4)) {
    return std::string(text);
  }
  std::string colon;
  colon.reserve(kDigits + (kDigits / 2) - 1);
  for (const char c : text) {
    if (!is_hex(c)) {
      continue;
    }
    if (colon.size() % 3 == 2) {
      colon += ':';
    }
    colon += c;
  }
  return colon;
}

} // namespace wol_wake
