#include "mac_forms.h"

#include <algorithm>
#include <cstddef>

namespace wol {
namespace {

constexpr std::size_t kDigits = 12;
constexpr std::size_t kBytes = 6;

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hex_value(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<unsigned>(c - '0');
  }
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
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

// Six groups of one or two hex digits between colons, as ethers(5) and
// ether_ntoa write them (8:0:20:1:14:5c); the bytes go to `out`.
bool is_short_colon(std::string_view text, MacBytes *out) {
  std::size_t at = 0;
  for (std::size_t byte = 0; byte < kBytes; ++byte) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (at < text.size() && is_hex(text[at]) && digits < 2) {
      value = value * 16 + hex_value(text[at]);
      ++at;
      ++digits;
    }
    if (digits == 0) {
      return false;
    }
    if (out != nullptr) {
      (*out)[byte] = static_cast<unsigned char>(value);
    }
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

bool is_mac_form(std::string_view text) {
  return is_short_colon(text, nullptr) || is_grouped(text, '-', 2) || is_grouped(text, '.', 4) ||
         is_grouped(text, '\0', kDigits);
}

std::optional<MacBytes> mac_bytes(std::string_view text) {
  MacBytes bytes{};
  if (is_short_colon(text, &bytes)) {
    return bytes;
  }
  if (!is_grouped(text, '-', 2) && !is_grouped(text, '.', 4) && !is_grouped(text, '\0', kDigits)) {
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

std::string library_mac(std::string_view text) {
  const bool short_colon = !is_grouped(text, ':', 2) && is_short_colon(text, nullptr);
  if (!short_colon && !is_grouped(text, '-', 2) && !is_grouped(text, '.', 4)) {
    return std::string(text);
  }
  std::string colon;
  colon.reserve(kDigits + (kDigits / 2) - 1);
  if (short_colon) {
    // Each group to two digits, in the case it was written in.
    std::size_t start = 0;
    for (std::size_t byte = 0; byte < kBytes; ++byte) {
      const std::size_t end = std::min(text.find(':', start), text.size());
      if (byte > 0) {
        colon += ':';
      }
      if (end - start == 1) {
        colon += '0';
      }
      colon.append(text.substr(start, end - start));
      start = end + 1;
    }
    return colon;
  }
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

std::string colon_mac(const MacBytes &mac) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const unsigned char byte : mac) {
    if (!out.empty()) {
      out += ':';
    }
    out += kHex[byte >> 4U];
    out += kHex[byte & 0xFU];
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
