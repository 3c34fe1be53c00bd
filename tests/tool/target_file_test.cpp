// wol-wake's reader of target files: bytes in, lines of fields or the
// line's problem out, without a network. Every file is read whole and
// again a byte at a time, which must give the same lines.
#include "target_file.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using wol::wake::kMaxLine;
using wol::wake::TargetFileReader;
using wol::wake::TargetLine;

struct Case {
  const char *name;
  std::string bytes;
  std::string expected; // "N:field|field" or "N!problem" a line, or "file!problem"
};

std::string describe(const std::vector<TargetLine> &lines, const std::string &file_error) {
  std::string out;
  for (const TargetLine &line : lines) {
    out += std::to_string(line.number);
    if (!line.error.empty()) {
      out += "!" + line.error;
    } else {
      std::string fields;
      for (const std::string &field : line.fields) {
        fields += (fields.empty() ? "" : "|") + field;
      }
      out += ":" + fields;
    }
    out += "\n";
  }
  return file_error.empty() ? out : out + "file!" + file_error + "\n";
}

std::string read_in_pieces(const std::string &bytes, std::size_t piece) {
  TargetFileReader reader;
  std::vector<TargetLine> lines;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    reader.feed(std::string_view(bytes).substr(at, piece), lines);
  }
  reader.finish(lines);
  return describe(lines, reader.error());
}

// UTF-16 of ASCII text, little or big end first, after a byte order mark.
std::string utf16(const std::string &text, bool little, bool mark = true) {
  std::string out = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
  for (const char c : text) {
    out += little ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return out;
}

const std::string kMac = "00:11:22:33:44:55";
// A line of exactly kMaxLine characters: a MAC and a comment.
const std::string kFullLine = kMac + " #" + std::string(kMaxLine - kMac.size() - 2, 'c');
const std::string kTooLong = "line longer than 1023 characters";

const Case kCases[] = {
    {"fields_and_line_ends",
     kMac + "\n0A-1B-2C-3D-4E-5F 192.168.2.255\r\naabb.ccdd.eeff\t192.168.2.255\t7",
     "1:00:11:22:33:44:55\n2:0A-1B-2C-3D-4E-5F|192.168.2.255\n3:aabb.ccdd.eeff|192.168.2.255|7\n"},
    {"blank_and_comment_lines_skipped_but_counted", "# office\n\n  \t \r\n\r\n" + kMac + "\n",
     "5:00:11:22:33:44:55\n"},
    {"hash_anywhere_starts_a_comment", "00:11:22:33:44:02#office\n" + kMac + " 10.0.0.255#x 7\n",
     "1:00:11:22:33:44:02\n2:00:11:22:33:44:55|10.0.0.255\n"},
    {"too_many_fields", kMac + " 127.0.0.1 7 extra\n",
     "1!too many fields (expected MAC [ADDRESS [PORT]])\n"},
    {"empty_file", "", ""},
    {"file_shorter_than_a_byte_order_mark", "A\n", "1:A\n"},
    {"utf8_byte_order_mark_skipped", "\xEF\xBB\xBF" + kMac + "\n", "1:00:11:22:33:44:55\n"},
    {"utf8_byte_order_mark_alone", "\xEF\xBB\xBF", ""},
    {"utf16le_with_mark", utf16(kMac + " 127.0.0.1 7\r\n# x\r\nAABBCCDDEEFF", true),
     "1:00:11:22:33:44:55|127.0.0.1|7\n3:AABBCCDDEEFF\n"},
    {"utf16be_with_mark", utf16(kMac + "\n", false), "1:00:11:22:33:44:55\n"},
    {"utf16_beyond_ascii",
     "\xFF\xFE"
     "A\x00\xE9\x00\x3D\xD8\x00\xDE\x00\xD8 \x00"
     "B\x00"s,
     "1:A\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD|B\n"},
    {"utf16_highest_code_point", "\xFF\xFE\xFF\xDB\xFF\xDF"s, "1:\xF4\x8F\xBF\xBF\n"},
    {"utf16_cut_half_way",
     "\xFF\xFE"
     "A\x00"
     "B"s,
     "1:A\xEF\xBF\xBD\n"},
    {"utf16le_without_mark", utf16(kMac + "\n", true, false),
     "file!UTF-16 without a byte order mark; save it as UTF-8, or as UTF-16 with one\n"},
    {"utf16be_without_mark", utf16(kMac + "\n", false, false),
     "file!UTF-16 without a byte order mark; save it as UTF-8, or as UTF-16 with one\n"},
    {"line_at_the_limit", kFullLine + "\n" + kFullLine + "\r\n" + kFullLine,
     "1:00:11:22:33:44:55\n2:00:11:22:33:44:55\n3:00:11:22:33:44:55\n"},
    {"line_past_the_limit", kFullLine + "c\n" + kMac + "\n" + kFullLine + "c",
     "1!" + kTooLong + "\n2:00:11:22:33:44:55\n3!" + kTooLong + "\n"},
    {"carriage_return_at_the_limit_is_no_line_end",
     std::string(kMaxLine, 'x') + "\r 127.0.0.2 7 extra\n" + kMac,
     "1!" + kTooLong + "\n2:00:11:22:33:44:55\n"},
    {"nul_in_a_line", kMac + "\0junk\n"s + kMac, "1!NUL byte in line\n2:" + kMac + "\n"},
    {"nul_after_the_last_line", kMac + "\n\0"s, "1:00:11:22:33:44:55\n2!NUL byte in line\n"},
    {"nul_in_a_long_line", std::string(2000, 'x') + "\0"s, "1!NUL byte in line\n"},
    {"utf16_nul", utf16("A\0B\n"s, true), "1!NUL byte in line\n"},
};

// Shown by its name in the test's name and in failures.
void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class TargetFile : public testing::TestWithParam<Case> {};

TEST_P(TargetFile, GivesItsLines) {
  const Case &c = GetParam();
  EXPECT_EQ(read_in_pieces(c.bytes, c.bytes.size() + 1), c.expected);
  EXPECT_EQ(read_in_pieces(c.bytes, 1), c.expected) << "read a byte at a time";
}

INSTANTIATE_TEST_SUITE_P(Table, TargetFile, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

} // namespace
