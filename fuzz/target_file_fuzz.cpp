// Fuzzes wol-wake's reader of target files. The first input byte picks the
// size of the pieces in which the rest is fed, as a pipe would deliver it;
// the lines must be the same as when the whole file comes at once, and each
// must be well formed: numbered upwards, a problem or one to three fields,
// and no field holding a separator, a comment or a line end.
#include "target_file.h"

#include <cstdint>
#include <cstdlib>
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
  std::vector<wol::wake::TargetLine> lines;
  std::string error;
};

Read read(std::string_view bytes, std::size_t piece) {
  wol::wake::TargetFileReader reader;
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
        a.lines[i].fields != b.lines[i].fields) {
      return false;
    }
  }
  return true;
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
  for (const wol::wake::TargetLine &line : whole.lines) {
    check(line.number > last);
    last = line.number;
    if (!line.error.empty()) {
      check(line.fields.empty() || line.fields.size() > 3);
      continue;
    }
    check(!line.fields.empty() && line.fields.size() <= 3);
    for (const std::string &field : line.fields) {
      check(!field.empty() && field.size() <= wol::wake::kMaxLine);
      check(field.find_first_of(" \t#\n", 0) == std::string::npos);
      check(field.find('\0') == std::string::npos);
    }
  }
  return 0;
}
