// Files of targets: one "MAC [ADDRESS [PORT]]" a line, read as the bytes
// arrive. UTF-8 (a byte order mark is skipped) and UTF-16 with a byte
// order mark, as Windows tools write it, are read; UTF-16 without one is
// named as such. Lines end with "\n" or "\r\n"; blank lines and everything
// from a '#' on are ignored. A line that cannot be used is reported, never
// skipped or cut.
#ifndef WOL_WAKE_TARGET_FILE_H
#define WOL_WAKE_TARGET_FILE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wol::wake {

// Longest line read, in bytes of UTF-8 and without its line end.
constexpr std::size_t kMaxLine = 1023;

// A line that holds a target, or why it cannot be used.
struct TargetLine {
  unsigned long number = 0;        // from 1
  std::vector<std::string> fields; // MAC, then perhaps ADDRESS and PORT
  std::string error;               // when not empty, the line's problem
};

class TargetFileReader {
public:
  // Reads the next bytes of the file, adding the lines they complete to
  // `lines` (blank and comment lines left out).
  void feed(std::string_view bytes, std::vector<TargetLine> &lines);
  // Ends the file: its last line, if it has no line end.
  void finish(std::vector<TargetLine> &lines);
  // What makes the whole file unreadable (then no line comes), or empty.
  [[nodiscard]] const std::string &error() const { return error_; }

private:
  enum class Encoding { unknown, utf8, utf16le, utf16be, refused };

  void detect(std::vector<TargetLine> &lines, bool at_end);
  void decode(std::string_view bytes, std::vector<TargetLine> &lines);
  void code_unit(unsigned unit, std::vector<TargetLine> &lines);
  void code_point(unsigned point, std::vector<TargetLine> &lines);
  void byte(char c, std::vector<TargetLine> &lines);
  void end_line(std::vector<TargetLine> &lines);

  Encoding encoding_ = Encoding::unknown;
  std::string start_; // the first bytes, until the encoding is known
  int odd_byte_ = -1; // UTF-16: the first byte of a code unit
  unsigned high_surrogate_ = 0;
  std::string line_;       // the line so far, up to kMaxLine + 1 bytes
  std::size_t length_ = 0; // the line's whole length so far
  char last_ = '\0';       // the line's last byte
  bool nul_ = false;
  unsigned long number_ = 0; // lines ended so far
  std::string error_;
};

} // namespace wol::wake

#endif
