#include "text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace wol {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The length of the well-formed UTF-8 sequence at the start of `text`
// (RFC 3629: no overlong forms, no surrogates, nothing past U+10FFFF), or 0.
std::size_t utf8_sequence(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80; // the second byte's range, which the lead narrows
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : low;
    high = lead == 0xED ? 0x9F : high;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : low;
    high = lead == 0xF4 ? 0x8F : high;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) {
      return 0;
    }
  }
  return length;
}

void append_escaped(std::string &out, std::string_view bytes) {
  for (const char c : bytes) {
    out += "\\x";
    append_hex(out, static_cast<unsigned char>(c));
  }
}

} // namespace

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

int hex_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

void append_hex(std::string &out, unsigned char byte) {
  out += kHexDigits[byte >> 4U];
  out += kHexDigits[byte & 0xFU];
}

std::string hex_text(const unsigned char *bytes, std::size_t size) {
  std::string out;
  out.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    append_hex(out, bytes[i]);
  }
  return out;
}

std::string shown(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<unsigned char>(text[0]);
    const std::size_t length = byte < 0x80 ? 1 : utf8_sequence(text);
    if (byte < 0x20 || byte == 0x7F || length == 0) {
      append_escaped(out, text.substr(0, 1));
      text.remove_prefix(1);
      continue;
    }
    if (byte == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0) { // U+0080 to U+009F
      append_escaped(out, text.substr(0, 2));
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

std::string quoted(std::string_view text) { return "'" + shown(text) + "'"; }

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      out += "\\u00";
      append_hex(out, byte);
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
