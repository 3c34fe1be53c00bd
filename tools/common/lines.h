// The lines of the text files the tools read (targets, ethers, allow-lists,
// passwords), read as the bytes arrive, never more than a line's limit held.
// UTF-8 (a byte order mark is skipped) and UTF-16 with a byte order mark,
// as Windows tools write it, are read; UTF-16 without one is named as such.
// Lines end with "\n" or "\r\n". A line that cannot be used (a NUL byte, or
// longer than the limit) is reported as soon as that is known, and the rest
// of it is passed over.
#ifndef WOL_COMMON_LINES_H
#define WOL_COMMON_LINES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// Longest line read, in bytes of UTF-8 and without its line end.
constexpr std::size_t kMaxLine = 1023;

struct Line {
  unsigned long number = 0; // from 1
  std::string text;         // without its line end
  std::string error;        // when not empty, why the line cannot be used
};

class LineReader {
public:
  // Reads the next bytes of the file, adding the lines they complete (and
  // the problems they show) to `lines`.
  void feed(std::string_view bytes, std::vector<Line> &lines);
  // Ends the file: its last line, if it has no line end.
  void finish(std::vector<Line> &lines);
  // What makes the whole file unreadable (then no line comes), or empty.
  [[nodiscard]] const std::string &error() const { return error_; }

private:
  enum class Encoding : std::uint8_t { unknown, utf8, utf16le, utf16be, refused };

  void detect(std::vector<Line> &lines, bool at_end);
  void decode(std::string_view bytes, std::vector<Line> &lines);
  void code_unit(unsigned unit, std::vector<Line> &lines);
  void code_point(unsigned point, std::vector<Line> &lines);
  void byte(char c, std::vector<Line> &lines);
  void refuse_line(std::string why, std::vector<Line> &lines);

  Encoding encoding_ = Encoding::unknown;
  std::string start_; // the first bytes, until the encoding is known
  int odd_byte_ = -1; // UTF-16: the first byte of a code unit
  unsigned high_surrogate_ = 0;
  std::string line_;         // the line so far
  bool refused_ = false;     // the line's problem is reported: pass over the rest
  unsigned long number_ = 0; // lines begun so far
  bool begun_ = false;       // a line has begun (some byte of it has come)
  std::string error_;
};

// Reads `file` from where it stands to its end, or until `on_line` returns
// false, giving `on_line` each line as it completes. Standard input
// (`by_line`) is read a line at a time, so that each line typed or piped in
// is given at once. Returns why the file could not be read to its end
// ("cannot read: REASON", or its encoding's problem), or "".
std::string read_lines(std::FILE *file, bool by_line,
                       const std::function<bool(const Line &)> &on_line);

} // namespace wol

#endif
