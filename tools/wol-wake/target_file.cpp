#include "target_file.h"

#include "text.h"

namespace wol::wake {
namespace {

constexpr std::size_t kMaxFields = 3;
constexpr unsigned kReplacement = 0xFFFD;

} // namespace

void TargetFileReader::feed(std::string_view bytes, std::vector<TargetLine> &lines) {
  if (encoding_ == Encoding::unknown) {
    start_.append(bytes);
    detect(lines, false);
    return;
  }
  decode(bytes, lines);
}

void TargetFileReader::finish(std::vector<TargetLine> &lines) {
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
  if (length_ > 0 || nul_) {
    end_line(lines);
  }
}

// The encoding, from the first bytes: a byte order mark, or a NUL byte
// beside an ASCII one, as UTF-16 without a mark has them.
void TargetFileReader::detect(std::vector<TargetLine> &lines, bool at_end) {
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

void TargetFileReader::decode(std::string_view bytes, std::vector<TargetLine> &lines) {
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

void TargetFileReader::code_unit(unsigned unit, std::vector<TargetLine> &lines) {
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
void TargetFileReader::code_point(unsigned point, std::vector<TargetLine> &lines) {
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

void TargetFileReader::byte(char c, std::vector<TargetLine> &lines) {
  if (c == '\n') {
    end_line(lines);
    return;
  }
  if (c == '\0') {
    nul_ = true;
  }
  if (line_.size() <= kMaxLine) { // one more, for a '\r' before the '\n'
    line_ += c;
  }
  ++length_;
  last_ = c;
}

void TargetFileReader::end_line(std::vector<TargetLine> &lines) {
  TargetLine line;
  line.number = ++number_;
  std::size_t length = length_;
  if (length > 0 && last_ == '\r') {
    --length;
  }
  if (nul_) {
    line.error = "NUL byte in line";
  } else if (length > kMaxLine) {
    line.error = "line longer than " + std::to_string(kMaxLine) + " characters";
  } else {
    line.fields = split_fields(std::string_view(line_).substr(0, length));
    if (line.fields.size() > kMaxFields) {
      line.error = "too many fields (expected MAC [ADDRESS [PORT]])";
    }
  }
  if (!line.error.empty() || !line.fields.empty()) {
    lines.push_back(std::move(line));
  }
  line_.clear();
  length_ = 0;
  last_ = '\0';
  nul_ = false;
}

} // namespace wol::wake
