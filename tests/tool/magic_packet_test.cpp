// The magic-packet reader: a table of received bytes, each with the
// verdict, offset, MAC and password (or the fault's numbers) it must give.
#include "magic_packet.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes repeat(unsigned char byte, std::size_t count) { return Bytes(count, byte); }

Bytes operator+(Bytes a, const Bytes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kMac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const Bytes kOther = {0x00, 0x11, 0x22, 0x33, 0x44, 0x56};
const Bytes kDamage = {0xde, 0xad, 0x00, 0x00, 0x00, 0x00};

// Six 0xFF, then `copies` copies of `mac`, with copy `damaged` (from 1)
// replaced by other bytes.
Bytes packet(const Bytes &mac = kMac, std::size_t copies = 16, std::size_t damaged = 0) {
  Bytes out = repeat(0xFF, 6);
  for (std::size_t copy = 1; copy <= copies; ++copy) {
    out = out + (copy == damaged ? kDamage : mac);
  }
  return out;
}

Bytes without_first_or_last(Bytes bytes, bool first) {
  bytes.erase(first ? bytes.begin() : bytes.end() - 1);
  return bytes;
}

struct Case {
  const char *name;
  Bytes bytes;
  std::string expected; // "VERDICT offset=N [mac=...] [password=...] [extra=N] [copy=N]"
};

std::string describe(const wol::MagicReading &r) {
  std::string out =
      std::string(wol::verdict_name(r.verdict)) + " offset=" + std::to_string(r.offset);
  if (r.mac) {
    out += " mac=" + wol::colon_mac(*r.mac);
  }
  if (!r.password.empty()) {
    out += " password=" + wol::password_text(r.password);
  }
  if (r.extra != 0) {
    out += " extra=" + std::to_string(r.extra);
  }
  if (r.differing_copy != 0) {
    out += " copy=" + std::to_string(r.differing_copy);
  }
  return out;
}

const Bytes kJunk = {'W', 'O', 'L', 0x00, 0x01, 0x02, 0xFF, 0xFF, 0x7E, 0x20};

const Case kCases[] = {
    {"the_packet_alone", packet(), "ok offset=0 mac=00:11:22:33:44:55"},
    {"four_byte_password", packet() + Bytes{192, 168, 1, 254},
     "ok offset=0 mac=00:11:22:33:44:55 password=192.168.1.254"},
    {"six_byte_password", packet() + Bytes{0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f},
     "ok offset=0 mac=00:11:22:33:44:55 password=0a:0b:0c:0d:0e:0f"},
    {"after_a_header", kJunk + packet(), "ok offset=10 mac=00:11:22:33:44:55"},
    {"after_a_header_with_a_password", kJunk + packet() + Bytes{1, 2, 3, 4},
     "ok offset=10 mac=00:11:22:33:44:55 password=1.2.3.4"},
    // Seven 0xFF: the packet starts at the second.
    {"after_a_longer_run_of_ff", Bytes{0xFF} + packet(), "ok offset=1 mac=00:11:22:33:44:55"},
    // A MAC that starts with 0xFF extends the run: the packet is the first.
    {"mac_starting_with_ff", packet({0xFF, 0x01, 0x02, 0x03, 0x04, 0x05}),
     "ok offset=0 mac=ff:01:02:03:04:05"},
    {"all_ff", repeat(0xFF, 102), "ok offset=0 mac=ff:ff:ff:ff:ff:ff"},
    {"the_largest_datagram", repeat(0x00, 65507 - 102) + packet(),
     "ok offset=65405 mac=00:11:22:33:44:55"},
    // A first packet damaged, a second whole: the whole one.
    {"a_damaged_packet_then_a_whole_one", packet(kMac, 16, 9) + packet(kOther),
     "ok offset=102 mac=00:11:22:33:44:56"},
    {"one_byte_after", packet() + Bytes{0}, "extra-bytes offset=0 mac=00:11:22:33:44:55 extra=1"},
    {"five_bytes_after", packet() + repeat(1, 5),
     "extra-bytes offset=0 mac=00:11:22:33:44:55 extra=5"},
    {"seven_bytes_after", packet() + repeat(1, 7),
     "extra-bytes offset=0 mac=00:11:22:33:44:55 extra=7"},
    {"nothing", {}, "too-short offset=0"},
    {"one_byte_short", without_first_or_last(packet(), false),
     "too-short offset=0 mac=00:11:22:33:44:55"},
    {"fifteen_copies", packet(kMac, 15), "too-short offset=0 mac=00:11:22:33:44:55"},
    {"cut_short_after_a_header", kJunk + packet(kMac, 15) + repeat(0, 5),
     "too-short offset=10 mac=00:11:22:33:44:55"},
    {"no_ff_at_all", repeat(0x00, 102), "no-sync offset=0"},
    {"five_ff_then_copies", without_first_or_last(packet(), true) + Bytes{0x00},
     "no-sync offset=0"},
    {"second_copy_differs", packet(kMac, 16, 2),
     "copy-differs offset=0 mac=00:11:22:33:44:55 copy=2"},
    {"last_copy_differs", packet(kMac, 16, 16),
     "copy-differs offset=0 mac=00:11:22:33:44:55 copy=16"},
    // Two damaged packets: the one that got further is named.
    {"the_furthest_attempt_named", packet(kMac, 16, 3) + packet(kOther, 16, 12),
     "copy-differs offset=102 mac=00:11:22:33:44:56 copy=12"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class MagicPacket : public testing::TestWithParam<Case> {};

TEST_P(MagicPacket, GivesItsVerdict) {
  const Case &c = GetParam();
  EXPECT_EQ(describe(wol::read_magic_packet(c.bytes.data(), c.bytes.size())), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, MagicPacket, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

// The words a listener shows and a relay logs, for each verdict.
TEST(MagicPacketWords, NameEachVerdictWithItsNumbers) {
  const auto text = [](const Bytes &bytes) {
    return wol::verdict_text(wol::read_magic_packet(bytes.data(), bytes.size()));
  };
  EXPECT_EQ(text(packet()), "a magic packet");
  EXPECT_EQ(text(packet() + Bytes{1, 2, 3, 4}), "a magic packet with a SecureOn password");
  EXPECT_EQ(text(packet() + Bytes{1}),
            "a magic packet, then 1 byte that is no SecureOn password (4 or 6 bytes)");
  EXPECT_EQ(text(repeat(0xFF, 50)), "50 bytes, fewer than a magic packet's 102");
  EXPECT_EQ(text(kJunk + packet(kMac, 15) + repeat(0, 5)),
            "only 95 bytes after the six 0xFF at byte 10, fewer than sixteen copies of a MAC");
  EXPECT_EQ(text(repeat(0, 120)), "no run of six 0xFF bytes in 120 bytes");
  EXPECT_EQ(text(packet() + Bytes{1, 2}),
            "a magic packet, then 2 bytes that are no SecureOn password (4 or 6 bytes)");
  EXPECT_EQ(text(packet(kMac, 16, 5)), "copy 5 of the MAC differs from the first");
}

} // namespace
