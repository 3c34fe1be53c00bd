#include "lines.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace wol {
namespace {

constexpr unsigned kReplacement = 0xFFFD;
constexpr std::size_t kChunk = std::size_t{64} * 1024;

// Reads the next bytes of `file` into `chunk`; 0 at its end. `by_line`:
// no further than the next line end.
std::size_t read_some(std::FILE *file, bool by_line, std::string &chunk) {
  if (!by_line) {
    return std::fread(chunk.data(), 1, chunk.size(), file);
  }
  std::size_t got = 0;
  int c = 0;
  while (got < chunk.size() && (c = std::getc(file)) != EOF) {
    chunk[got++] = static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  return got;
}

} // namespace

void LineReader::feed(std::string_view bytes, std::vector<Line> &lines) {
  if (encoding_ == Encoding::unknown) {
    start_.append(bytes);
    detect(lines, false);
    return;
  }
  decode(bytes, lines);
}

void LineReader::finish(std::vector<Line> &lines) {
  if (encoding_ == Encoding::unknown) {
    detect(lines, true);
  }
  if (encoding_ == Encoding::refused) {
    return;
  }
  if (odd_byte_ >= 0 || high_surrogate_ != 0) { // UTF-16 that stops half-way
    odd_byte_ = -1;
    high_surrogate_ = 0;
    code_point(kReplacement, lines);
  }
  if (begun_) {
    byte('\n', lines);
  }
}

// The encoding, from the first bytes: a byte order mark, or a NUL byte
// beside an ASCII one, as UTF-16 without a mark has them.
void LineReader::detect(std::vector<Line> &lines, bool at_end) {
  const std::string_view s = start_;
  if (s.size() < 3 && !at_end) {
    return;
  }
  std::size_t skip = 0;
  if (s.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding_ = Encoding::utf8;
    skip = 3;
  } else if (s.substr(0, 2) == "\xFF\xFE") {
    encoding_ = Encoding::utf16le;
    skip = 2;
  } else if (s.substr(0, 2) == "\xFE\xFF") {
    encoding_ = Encoding::utf16be;
    skip = 2;
  } else if (s.size() >= 2 && (s[0] == '\0') != (s[1] == '\0')) {
    encoding_ = Encoding::refused;
    error_ = "UTF-16 without a byte order mark; save it as UTF-8, or as UTF-16 with one";
    return;
  } else {
    encoding_ = Encoding::utf8;
  }
  const std::string rest = start_.substr(skip);
  start_.clear();
  decode(rest, lines);
}

void LineReader::decode(std::string_view bytes, std::vector<Line> &lines) {
  switch (encoding_) {
  case Encoding::utf8:
    for (const char c : bytes) {
      byte(c, lines);
    }
    break;
  case Encoding::utf16le:
  case Encoding::utf16be:
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      if (odd_byte_ < 0) {
        odd_byte_ = b;
        continue;
      }
      const auto first = static_cast<unsigned>(odd_byte_);
      odd_byte_ = -1;
      code_unit(encoding_ == Encoding::utf16le ? (b << 8U) | first : (first << 8U) | b, lines);
    }
    break;
  case Encoding::unknown:
  case Encoding::refused:
    break;
  }
}

void LineReader::code_unit(unsigned unit, std::vector<Line> &lines) {
  const bool high = unit >= 0xD800 && unit <= 0xDBFF;
  const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
  if (high_surrogate_ != 0) {
    const unsigned pending = high_surrogate_;
    high_surrogate_ = 0;
    if (low) {
      code_point(0x10000 + ((pending - 0xD800) << 10U) + (unit - 0xDC00), lines);
      return;
    }
    code_point(kReplacement, lines); // a high surrogate alone
  }
  if (high) {
    high_surrogate_ = unit;
  } else {
    code_point(low ? kReplacement : unit, lines);
  }
}

// Appends `point` in UTF-8.
void LineReader::code_point(unsigned point, std::vector<Line> &lines) {
  const auto put = [&](unsigned value) { byte(static_cast<char>(value), lines); };
  if (point < 0x80) {
    put(point);
  } else if (point < 0x800) {
    put(0xC0 | (point >> 6U));
    put(0x80 | (point & 0x3FU));
  } else if (point < 0x10000) {
    put(0xE0 | (point >> 12U));
    put(0x80 | ((point >> 6U) & 0x3FU));
    put(0x80 | (point & 0x3FU));
  } else {
    put(0xF0 | (point >> 18U));
    put(0x80 | ((point >> 12U) & 0x3FU));
    put(0x80 | ((point >> 6U) & 0x3FU));
    put(0x80 | (point & 0x3FU));
  }
}

void LineReader::byte(char c, std::vector<Line> &lines) {
  if (c == '\n') {
    if (!refused_) {
      if (!line_.empty() && line_.back() == '\r') {
        line_.pop_back();
      }
      lines.push_back({number_ + 1, line_, {}});
    }
    ++number_;
    line_.clear();
    refused_ = false;
    begun_ = false;
    return;
  }
  begun_ = true;
  if (refused_) {
    return;
  }
  if (c == '\0') {
    refuse_line("NUL byte in line", lines);
    return;
  }
  line_ += c;
  // One byte past the limit may be the '\r' of a "\r\n".
  if (line_.size() > kMaxLine + 1 || (line_.size() == kMaxLine + 1 && c != '\r')) {
    refuse_line("line longer than " + std::to_string(kMaxLine) + " bytes", lines);
  }
}

void LineReader::refuse_line(std::string why, std::vector<Line> &lines) {
  lines.push_back({number_ + 1, {}, std::move(why)});
  line_.clear();
  refused_ = true;
}

std::string read_lines(std::FILE *file, bool by_line,
                       const std::function<bool(const Line &)> &on_line) {
  LineReader reader;
  std::vector<Line> lines;
  std::string chunk(kChunk, '\0');
  bool at_end = false;
  int read_error = 0;
  while (!at_end) {
    const std::size_t got = read_some(file, by_line, chunk);
    read_error = std::ferror(file) != 0 ? errno : 0;
    at_end = got == 0 || std::feof(file) != 0 || std::ferror(file) != 0;
    reader.feed(std::string_view(chunk.data(), got), lines);
    if (at_end) {
      reader.finish(lines);
    }
    for (const Line &line : lines) {
      if (!on_line(line)) {
        return {};
      }
    }
    lines.clear();
  }
  if (std::ferror(file) != 0) {
    return std::string("cannot read: ") + std::strerror(read_error);
  }
  return reader.error();
}

} // namespace wol
