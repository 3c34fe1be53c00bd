// Fuzzes wol-wake's reading of target files: the tools' line reader, then
// each line's fields. The first input byte picks the size of the pieces in
// which the rest is fed, as a pipe would deliver it; the lines must be the
// same as when the whole file comes at once, and each must be well formed:
// numbered upwards, a problem or a target of one to three fields, and no
// field holding a separator, a comment or a line end.
#include "lines.h"
#include "target_file.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

struct Read {
  std::vector<wol::Line> lines;
  std::string error;
};

Read read(std::string_view bytes, std::size_t piece) {
  wol::LineReader reader;
  Read result;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    reader.feed(bytes.substr(at, piece), result.lines);
  }
  reader.finish(result.lines);
  result.error = reader.error();
  return result;
}

bool same(const Read &a, const Read &b) {
  if (a.error != b.error || a.lines.size() != b.lines.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.lines.size(); ++i) {
    if (a.lines[i].number != b.lines[i].number || a.lines[i].error != b.lines[i].error ||
        a.lines[i].text != b.lines[i].text) {
      return false;
    }
  }
  return true;
}

bool well_formed_field(const std::string &field) {
  return !field.empty() && field.size() <= wol::kMaxLine &&
         field.find_first_of(std::string_view(" \t#\n\0", 5)) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::size_t piece = data[0] % 16 + 1;
  const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
  const Read whole = read(bytes, bytes.size() + 1);
  check(same(whole, read(bytes, piece)));
  check(whole.error.empty() || whole.lines.empty());
  unsigned long last = 0;
  for (const wol::Line &line : whole.lines) {
    check(line.number > last);
    last = line.number;
    check(line.text.size() <= wol::kMaxLine && line.text.find('\n') == std::string::npos);
    check(line.error.empty() || line.text.empty());
    const std::optional<wol::wake::TargetLine> target = wol::wake::target_line(line);
    if (!target || !target->error.empty()) {
      continue;
    }
    check(well_formed_field(target->mac));
    check(!target->address || well_formed_field(*target->address));
    check(!target->port || (*target->port >= 1 && *target->port <= 65535));
    check(!target->port || target->address);
  }
  return 0;
}
