#include "text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace wol {

std::optional<long long> decimal(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
  }
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    return std::numeric_limits<long long>::max();
  }
  return end == text.data() + text.size() ? std::optional<long long>(value) : std::nullopt;
}

std::string shown(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      out += "\\x";
      out += kHex[byte >> 4U];
      out += kHex[byte & 0xfU];
    } else {
      out += c;
    }
  }
  return out;
}

std::string json_string(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      out += "\\u00";
      out += kHex[byte >> 4U];
      out += kHex[byte & 0xfU];
    } else {
      out += c;
    }
  }
  return out + '"';
}

std::vector<std::string> split_fields(std::string_view text) {
  text = text.substr(0, text.find('#'));
  std::vector<std::string> fields;
  std::size_t at = 0;
  for (;;) {
    at = text.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) {
      return fields;
    }
    const std::size_t end = text.find_first_of(" \t", at);
    fields.emplace_back(text.substr(at, end - at));
    if (end == std::string_view::npos) {
      return fields;
    }
    at = end;
  }
}

} // namespace wol
