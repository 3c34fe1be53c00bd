// Files of targets: bytes in, through the tools' line reader, lines of
// fields or the line's problem out, without a network. Every file is read
// whole and again a byte at a time, which must give the same lines.
#include "lines.h"
#include "target_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using wol::kMaxLine;
using wol::Line;
using wol::LineReader;
using wol::wake::target_line;
using wol::wake::TargetLine;

struct Case {
  const char *name;
  std::string bytes;
  std::string expected; // "N:MAC|ADDRESS|PORT" or "N!problem" a line, or "file!problem"
};

std::string describe(const std::vector<Line> &lines, const std::string &file_error) {
  std::string out;
  for (const Line &line : lines) {
    const std::optional<TargetLine> target = target_line(line);
    if (!target) {
      continue;
    }
    out += std::to_string(target->number);
    if (!target->error.empty()) {
      out += "!" + target->error;
    } else {
      out += ":" + target->mac;
      if (target->address) {
        out += "|" + *target->address;
      }
      if (target->port) {
        out += "|" + std::to_string(*target->port);
      }
    }
    out += "\n";
  }
  return file_error.empty() ? out : out + "file!" + file_error + "\n";
}

std::string read_in_pieces(const std::string &bytes, std::size_t piece) {
  LineReader reader;
  std::vector<Line> lines;
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
// A line of exactly kMaxLine bytes: a MAC and a comment.
const std::string kFullLine = kMac + " #" + std::string(kMaxLine - kMac.size() - 2, 'c');
const std::string kTooLong = "line longer than 1023 bytes";
const std::string kBadPort = "PORT (the third field) must be a number from 1 to 65535";

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
    // A PORT that cannot be used is named by its field, never shown: the
    // file may be one its reader could not read (run with sudo).
    {"ports_from_1_to_65535",
     kMac + " h 1\n" + kMac + " h 65535\n" + kMac + " h 0\n" + kMac + " h 65536\n" + kMac +
         " h 99999999999999999999\n",
     "1:" + kMac + "|h|1\n2:" + kMac + "|h|65535\n3!" + kBadPort + "\n4!" + kBadPort + "\n5!" +
         kBadPort + "\n"},
    {"port_that_is_no_number_is_not_shown",
     "root x TopSecretToken123\n" + kMac + " h -7\n" + kMac + " h \x1b[31m\n",
     "1!" + kBadPort + "\n2!" + kBadPort + "\n3!" + kBadPort + "\n"},
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
    {"utf16_lowest_code_point_of_a_pair", "\xFF\xFE\x00\xD8\x00\xDC"s, "1:\xF0\x90\x80\x80\n"},
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
    // The limit counts bytes of UTF-8; a line at it may end with CR LF.
    {"line_at_the_limit", kFullLine + "\n" + kFullLine + "\r\n" + kFullLine,
     "1:00:11:22:33:44:55\n2:00:11:22:33:44:55\n3:00:11:22:33:44:55\n"},
    {"line_past_the_limit", kFullLine + "c\n" + kMac + "\n" + kFullLine + "c",
     "1!" + kTooLong + "\n2:00:11:22:33:44:55\n3!" + kTooLong + "\n"},
    {"line_past_the_limit_in_utf16", utf16(std::string(kMaxLine + 1, 'x') + "\n" + kMac, true),
     "1!" + kTooLong + "\n2:00:11:22:33:44:55\n"},
    {"carriage_return_at_the_limit_is_no_line_end",
     std::string(kMaxLine, 'x') + "\r 127.0.0.2 7 extra\n" + kMac,
     "1!" + kTooLong + "\n2:00:11:22:33:44:55\n"},
    {"nul_in_a_line", kMac + "\0junk\n"s + kMac, "1!NUL byte in line\n2:" + kMac + "\n"},
    {"nul_after_the_last_line", kMac + "\n\0"s, "1:00:11:22:33:44:55\n2!NUL byte in line\n"},
    {"first_problem_of_a_line_wins", std::string(2000, 'x') + "\0\n\0x"s + std::string(2000, 'x'),
     "1!" + kTooLong + "\n2!NUL byte in line\n"},
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

// A line's problem is known before its end, which may never come (a file
// of zeros): it is given at once, and the rest of the line passed over.
TEST(LineReader, GivesALinesProblemBeforeItsEnd) {
  for (const std::string &start : {"ab\0"s, std::string(kMaxLine + 1, 'x') + "y"}) {
    LineReader reader;
    std::vector<Line> lines;
    reader.feed(start, lines);
    reader.feed(std::string(100000, '\0'), lines);
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].number, 1U);
    EXPECT_FALSE(lines[0].error.empty());
    reader.feed("\n" + kMac + "\n", lines);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[1].number, 2U);
    EXPECT_EQ(lines[1].text, kMac);
  }
}

} // namespace
