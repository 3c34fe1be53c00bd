#include "mac_forms.h"

#include "text.h"

#include <cstddef>

namespace wol {
namespace {

constexpr std::size_t kDigits = 12;
constexpr std::size_t kBytes = 6;

bool is_hex(char c) { return hex_value(c) >= 0; }

// Whether `text` is twelve hex digits with `separator` after every `group`
// of them but the last (AA-BB-CC-DD-EE-FF: 2, aabb.ccdd.eeff and
// dead-beef-cafe: 4; the compact form: no separator at all, group 12).
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

bool is_grouped_form(std::string_view text) {
  return is_grouped(text, '-', 2) || is_grouped(text, '.', 4) || is_grouped(text, '-', 4) ||
         is_grouped(text, '\0', kDigits);
}

// Six groups of one or two hex digits between colons, as ethers(5) and
// ether_ntoa write them (8:0:20:1:14:5c), the colon form among them; the
// bytes go to `out`.
bool is_colon_form(std::string_view text, MacBytes &out) {
  std::size_t at = 0;
  for (std::size_t byte = 0; byte < kBytes; ++byte) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (at < text.size() && is_hex(text[at]) && digits < 2) {
      value = value * 16 + static_cast<unsigned>(hex_value(text[at]));
      ++at;
      ++digits;
    }
    if (digits == 0) {
      return false;
    }
    out[byte] = static_cast<unsigned char>(value);
    if (byte + 1 < kBytes) {
      if (at == text.size() || text[at] != ':') {
        return false;
      }
      ++at;
    }
  }
  return at == text.size();
}

} // namespace

bool is_mac_form(std::string_view text) { return mac_bytes(text).has_value(); }

std::optional<MacBytes> mac_bytes(std::string_view text) {
  MacBytes bytes{};
  if (is_colon_form(text, bytes)) {
    return bytes;
  }
  if (!is_grouped_form(text)) {
    return std::nullopt;
  }
  std::size_t digit = 0;
  for (const char c : text) {
    if (is_hex(c)) {
      bytes[digit / 2] = static_cast<unsigned char>((bytes[digit / 2] * 16) + hex_value(c));
      ++digit;
    }
  }
  return bytes;
}

std::string colon_mac(const MacBytes &mac) {
  std::string out;
  for (const unsigned char byte : mac) {
    if (!out.empty()) {
      out += ':';
    }
    append_hex(out, byte);
  }
  return out;
}

bool may_be_host_name(std::string_view text) {
  if (text.empty() || text[0] == '-' || text[0] == '.') {
    return false;
  }
  std::size_t hex_digits = 0;
  bool only_hex = true;
  for (const char c : text) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alnum && c != '-' && c != '_' && c != '.') {
      return false;
    }
    if (is_hex(c)) {
      ++hex_digits;
    } else if (c != '-' && c != '.') {
      only_hex = false;
    }
  }
  return !only_hex || hex_digits < kDigits;
}

} // namespace wol
