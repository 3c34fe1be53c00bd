#include "password.h"

#include "lines.h"
#include "mac_forms.h"
#include "program.h"
#include "text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace wol::wake {

std::optional<std::vector<unsigned char>> password_bytes(std::string_view text) {
  if (const std::optional<MacBytes> mac = mac_bytes(text)) {
    return std::vector<unsigned char>(mac->begin(), mac->end());
  }
  constexpr std::size_t kQuad = 4;
  constexpr long long kMaxByte = 255;
  std::vector<unsigned char> bytes;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find('.', at);
    const std::string_view part = text.substr(at, end == std::string_view::npos ? end : end - at);
    const std::optional<long long> value = decimal(part);
    if (!value || part.size() > 3 || *value > kMaxByte || bytes.size() == kQuad) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<unsigned char>(*value));
    if (end == std::string_view::npos) {
      break;
    }
    at = end + 1;
  }
  if (bytes.size() != kQuad) {
    return std::nullopt;
  }
  return bytes;
}

std::string read_password(const std::string &file, std::vector<unsigned char> &out) {
  const bool is_stdin = file == "-";
  const std::string name = is_stdin ? "(standard input)" : shown(file);
  if (is_stdin) {
    read_standard_input_as_bytes();
  }
  std::FILE *stream = is_stdin ? stdin : open_for_reading(file);
  if (stream == nullptr) {
    return name + ": cannot open: " + std::strerror(errno);
  }
  std::optional<Line> first;
  const std::string error = read_lines(stream, is_stdin, [&first](const Line &line) {
    first = line;
    return false;
  });
  if (!is_stdin) {
    (void)std::fclose(stream);
  }
  if (!error.empty()) {
    return name + ": " + error;
  }
  if (!first) {
    return name + ": no password in it";
  }
  if (!first->error.empty()) {
    return name + ":1: " + first->error;
  }
  const std::vector<std::string> fields = split_fields(first->text);
  const std::optional<std::vector<unsigned char>> bytes =
      fields.size() == 1 ? password_bytes(fields[0]) : std::nullopt;
  if (!bytes) {
    return name + ": its first line must be the password alone: six bytes in a MAC form or four "
                  "as a dotted quad";
  }
  out = *bytes;
  return {};
}

} // namespace wol::wake
