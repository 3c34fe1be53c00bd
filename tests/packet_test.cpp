// wol_packet through the shared library: which MAC texts are accepted, the
// exact message for each refused one, and what happens to the caller's
// buffer either way.
#include "tarnwick_wol.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr int kPacketSize = TARNWICK_WOL_PACKET_SIZE;
constexpr unsigned char kFill = 0x5A;

using mac_bytes = std::array<unsigned char, 6>;

constexpr char kBufTooSmall[] = "buf too small for 102-byte WoL packet";
constexpr char kMacEmpty[] = "mac is NULL or empty";
constexpr char kMacForm[] = "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF";
constexpr char kMacNonHex[] = "mac contains non-hex characters";
constexpr char kMacLength[] = "mac has wrong length (expected 12 or 17 chars)";

// A caller's buffer with room past the packet, filled with a known byte.
struct caller_buffer {
  std::array<unsigned char, kPacketSize + 8> bytes;
  caller_buffer() { bytes.fill(kFill); }
  bool untouched_from(std::size_t offset) const {
    for (std::size_t i = offset; i < bytes.size(); ++i) {
      if (bytes[i] != kFill) {
        return false;
      }
    }
    return true;
  }
};

void expect_magic_packet(const unsigned char *packet, const mac_bytes &mac) {
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(packet[i], 0xFF) << "sync byte " << i;
  }
  for (int copy = 0; copy < 16; ++copy) {
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(packet[6 + copy * 6 + i], mac[i]) << "copy " << copy << ", byte " << i;
    }
  }
}

struct mac_case {
  const char *name;
  const char *mac;
  const char *message; // nullptr: accepted
  mac_bytes bytes;     // the address it spells, when accepted
};

const mac_case kMacCases[] = {
    // Accepted, in both forms and any case.
    {"colon_upper", "AA:BB:CC:DD:EE:FF", nullptr, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
    {"compact_lower", "aabbccddeeff", nullptr, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
    {"colon_mixed_case", "aA:Bb:cC:Dd:eE:Ff", nullptr, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
    {"compact_mixed_case", "aAbBcCdDeEfF", nullptr, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
    {"high_digit_first", "01:23:45:67:89:aB", nullptr, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}},
    {"compact_every_digit", "0123456789Cd", nullptr, {0x01, 0x23, 0x45, 0x67, 0x89, 0xCD}},
    {"all_ones", "FF:FF:FF:FF:FF:FF", nullptr, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"all_zeros", "00:00:00:00:00:00", nullptr, {0, 0, 0, 0, 0, 0}},
    {"stops_at_terminator",
     "00:11:22:33:44:55\0junk",
     nullptr,
     {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},

    // Nothing to read.
    {"null", nullptr, kMacEmpty, {}},
    {"empty", "", kMacEmpty, {}},

    // The form is fixed by the third character.
    {"hyphens_are_compact_form_non_hex", "AA-BB-CC-DD-EE-FF", kMacNonHex, {}},
    {"dots_are_non_hex", "AA.BB.CC.DD.EE.FF", kMacNonHex, {}},
    {"spaces_are_non_hex", "AA BB CC DD EE FF", kMacNonHex, {}},
    {"colon_form_missing_separator", "AA:BBCCDDEEFF", kMacForm, {}},
    {"colon_form_wrong_separator", "AA:BB-CC:DD:EE:FF", kMacForm, {}},
    {"compact_form_with_colon", "AABB:CC:DD:EE:FF", kMacNonHex, {}},
    {"leading_space", " AA:BB:CC:DD:EE:FF", kMacNonHex, {}},

    // Non-hex digits, first or second of a pair.
    {"non_hex_first_digit", "GG:BB:CC:DD:EE:FF", kMacNonHex, {}},
    {"non_hex_second_digit", "AA:BB:CC:DD:EE:FG", kMacNonHex, {}},
    {"compact_non_hex", "AABBCCDDEEFZ", kMacNonHex, {}},
    {"byte_above_ascii",
     "\xC1"
     "A:BB:CC:DD:EE:FF",
     kMacNonHex,
     {}},

    // Texts that end early fail where their terminator stands.
    {"one_character", "A", kMacNonHex, {}},
    {"two_characters", "AB", kMacNonHex, {}},
    {"colon_one_digit_short", "AA:BB:CC:DD:EE:F", kMacNonHex, {}},
    {"compact_one_digit_short", "AABBCCDDEEF", kMacNonHex, {}},
    {"ends_after_separator", "AA:BB:CC:DD:EE:", kMacNonHex, {}},
    {"ends_where_separator_belongs", "AA:BB:CC:DD:EE", kMacForm, {}},
    {"two_pairs", "AA:BB", kMacForm, {}},
    {"nothing_read_past_terminator", "AA:BB:CC:DD:EE\0:FF", kMacForm, {}},
    {"compact_nothing_read_past_terminator", "AABBCCDDEEF\0F", kMacNonHex, {}},

    // A complete address followed by more text.
    {"colon_trailing_separator", "AA:BB:CC:DD:EE:FF:", kMacLength, {}},
    {"colon_trailing_space", "AA:BB:CC:DD:EE:FF ", kMacLength, {}},
    {"compact_fourteen_digits", "AABBCCDDEEFF00", kMacLength, {}},
};

class mac_text : public testing::TestWithParam<mac_case> {};

TEST_P(mac_text, builds_the_packet_or_refuses_with_its_message) {
  const mac_case &c = GetParam();
  caller_buffer buf;
  const int result = wol_packet(c.mac, buf.bytes.data(), static_cast<int>(buf.bytes.size()));
  if (c.message == nullptr) {
    ASSERT_EQ(result, kPacketSize) << wol_last_error();
    expect_magic_packet(buf.bytes.data(), c.bytes);
    EXPECT_TRUE(buf.untouched_from(kPacketSize)) << "wrote past the packet";
  } else {
    EXPECT_EQ(result, -1);
    EXPECT_STREQ(wol_last_error(), c.message);
    EXPECT_TRUE(buf.untouched_from(0)) << "wrote to the buffer on failure";
  }
}

INSTANTIATE_TEST_SUITE_P(table, mac_text, testing::ValuesIn(kMacCases),
                         [](const testing::TestParamInfo<mac_case> &info) {
                           return std::string(info.param.name);
                         });

TEST(packet_buffer, refuses_lengths_below_102_before_looking_at_mac) {
  for (const int length : {101, 1, 0, -1, INT_MIN}) {
    for (const char *mac : {"AA:BB:CC:DD:EE:FF", "not a mac", (const char *)nullptr}) {
      caller_buffer buf;
      EXPECT_EQ(wol_packet(mac, buf.bytes.data(), length), -1) << length;
      EXPECT_STREQ(wol_last_error(), kBufTooSmall) << length;
      EXPECT_TRUE(buf.untouched_from(0)) << length;
    }
  }
}

TEST(packet_buffer, needs_exactly_102_bytes) {
  caller_buffer buf;
  ASSERT_EQ(wol_packet("001122334455", buf.bytes.data(), kPacketSize), kPacketSize);
  expect_magic_packet(buf.bytes.data(), {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
  EXPECT_TRUE(buf.untouched_from(kPacketSize));
}

TEST(packet_buffer, refuses_a_null_buffer_after_the_size_check) {
  EXPECT_EQ(wol_packet("AA:BB:CC:DD:EE:FF", nullptr, kPacketSize), -1);
  EXPECT_STREQ(wol_last_error(), "buf is NULL");
  EXPECT_EQ(wol_packet(nullptr, nullptr, 1000), -1);
  EXPECT_STREQ(wol_last_error(), "buf is NULL");
  EXPECT_EQ(wol_packet("AA:BB:CC:DD:EE:FF", nullptr, 50), -1);
  EXPECT_STREQ(wol_last_error(), kBufTooSmall);
}

TEST(last_error, survives_a_later_successful_packet) {
  caller_buffer buf;
  ASSERT_EQ(wol_packet("AA:BB", buf.bytes.data(), kPacketSize), -1);
  ASSERT_EQ(wol_packet("AA:BB:CC:DD:EE:FF", buf.bytes.data(), kPacketSize), kPacketSize);
  EXPECT_STREQ(wol_last_error(), kMacForm);
}

TEST(last_error, holds_only_the_latest_message_even_after_a_longer_one) {
  caller_buffer buf;
  ASSERT_EQ(wol_packet("AABBCCDDEEFF00", buf.bytes.data(), kPacketSize), -1);
  ASSERT_GT(std::strlen(wol_last_error()), std::strlen(kMacEmpty));
  ASSERT_EQ(wol_packet("", buf.bytes.data(), kPacketSize), -1);
  EXPECT_STREQ(wol_last_error(), kMacEmpty);
}

TEST(last_error, is_one_text_at_one_address) {
  const char *first = wol_last_error();
  ASSERT_NE(first, nullptr);
  caller_buffer buf;
  (void)wol_packet(nullptr, buf.bytes.data(), kPacketSize);
  EXPECT_EQ(wol_last_error(), first);
}

TEST(version, is_1_0_0_at_one_address) {
  ASSERT_STREQ(wol_version(), "1.0.0");
  EXPECT_EQ(wol_version(), wol_version());
}

} // namespace
