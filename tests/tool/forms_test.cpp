// The forms the tools read and write, shared by the three of them: MAC
// forms and what may be a host name, the one rule for what an address is,
// dotted quads, and text made safe to show. No network.
#include "address.h"
#include "mac_forms.h"
#include "text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Each text: its MAC ("" for none), and whether it is looked up as a name.
TEST(Forms, MacFormsAndHostNames) {
  struct Text {
    std::string text;
    std::string mac;
    bool name;
  };
  for (const Text &t : std::vector<Text>{
           {"00:11:22:33:44:5F", "00:11:22:33:44:5f", false},
           {"0011223344Ff", "00:11:22:33:44:ff", false},
           {"00-11-22-33-44-55", "00:11:22:33:44:55", false},
           {"0011.2233.4455", "00:11:22:33:44:55", false},
           {"dead-beef-cafe", "de:ad:be:ef:ca:fe", false}, // as some switches print it
           {"8:0:20:1:14:5c", "08:00:20:01:14:5c", false},
           {"0:0:0:0:0:0", "00:00:00:00:00:00", false},
           {"00:11:22:33:44", "", false},
           {"00:11:22:33:44:55:66", "", false},
           {"001:1:2:3:4:5", "", false},
           {"dead-beef-caf", "", true},
           {"dead.beef-cafe", "", false},
           {"00-11-22-33-44-5G", "", true},
           {"office-pc", "", true},
           {"backend-database01", "", true}, // many hex digits, but a name
           {"zulu-Z9", "", true},            // the last letters and digit
           {"cafe-dead-beef-00", "", false}, // twelve hex digits and more: a mistyped MAC
           {"-x", "", false},
           {".x", "", false},
           {"a b", "", false},
           {"", "", false},
       }) {
    const std::optional<wol::MacBytes> bytes = wol::mac_bytes(t.text);
    EXPECT_EQ(bytes ? wol::colon_mac(*bytes) : "", t.mac) << t.text;
    EXPECT_EQ(wol::is_mac_form(t.text), !t.mac.empty()) << t.text;
    if (!bytes) {
      EXPECT_EQ(wol::may_be_host_name(t.text), t.name) << t.text;
    }
  }
}

TEST(Forms, OneRuleForWhatAnAddressIs) {
  using wol::AddressShape;
  struct Text {
    const char *text;
    AddressShape shape;
    const char *dotted_quad; // as read, or "" when it is none
  };
  for (const Text &t : {
           Text{"192.168.1.255", AddressShape::ipv4, "192.168.1.255"},
           Text{"0.0.0.0", AddressShape::ipv4, "0.0.0.0"},
           Text{"255.255.255.255", AddressShape::ipv4, "255.255.255.255"},
           Text{"127.1", AddressShape::ipv4, ""},
           Text{"0x7f.1", AddressShape::ipv4, ""},
           Text{"2130706433", AddressShape::ipv4, ""},
           Text{"10.0.0.256", AddressShape::ipv4, ""},
           Text{"10.0.0.010", AddressShape::ipv4, ""},
           Text{"1.2.3.4.5", AddressShape::ipv4, ""},
           Text{"1.2.3.", AddressShape::ipv4, ""},
           Text{"host.example.", AddressShape::name, ""},
           Text{"1..2.3", AddressShape::ipv4, ""},
           Text{"1.2.3.-4", AddressShape::name, ""},
           Text{"host.example", AddressShape::name, ""},
           Text{"3com.example", AddressShape::name, ""},
           Text{"localhost", AddressShape::name, ""},
           Text{"::1", AddressShape::ipv6, ""},
           Text{"fe80::1%eth0", AddressShape::ipv6, ""},
       }) {
    EXPECT_EQ(wol::address_shape(t.text), t.shape) << t.text;
    const std::optional<wol::Endpoint> read = wol::parse_ipv4(t.text);
    EXPECT_EQ(read ? wol::address_text(*read) : "", t.dotted_quad) << t.text;
  }
}

TEST(Forms, ResolvesANameOnceEachAddress) {
  // localhost comes from the hosts file: no name server is asked (a name
  // that does not resolve is tried in the namespace tests, where the name
  // server is the test's own).
  const wol::Resolved local = wol::resolve("localhost");
  ASSERT_FALSE(local.addresses.empty()) << local.error;
  EXPECT_TRUE(
      std::any_of(local.addresses.begin(), local.addresses.end(), [](const wol::Endpoint &each) {
        return wol::address_text(each) == "127.0.0.1" || wol::address_text(each) == "::1";
      }));
  for (std::size_t i = 0; i < local.addresses.size(); ++i) {
    for (std::size_t j = i + 1; j < local.addresses.size(); ++j) {
      EXPECT_FALSE(wol::same_address(local.addresses[i], local.addresses[j]));
    }
  }
}

// Nothing that could drive a terminal is shown as it is: C0 controls, DEL,
// C1 controls written in UTF-8, and bytes that are no UTF-8 (a lone 0x9b is
// CSI to a Latin-1 terminal); the rest of UTF-8 is.
TEST(Forms, ShownTextEscapesControls) {
  struct Text {
    std::string raw, shown;
  };
  for (const Text &t : std::vector<Text>{
           {"plain text", "plain text"},
           {"\x1b[2J", "\\x1b[2J"},
           {"a\tb\x7f", "a\\x09b\\x7f"},
           {"\xc2\x9b"
            "31m",
            "\\xc2\\x9b31m"},
           {"\xc2\x80\xc2\x9f", "\\xc2\\x80\\xc2\\x9f"},
           {"\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9"},
           {"\x9b"
            "31m",
            "\\x9b31m"},
           {"\xc2", "\\xc2"},
           {"\xe0\x80\x80", "\\xe0\\x80\\x80"},
           {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
           {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
           {"\xe2\x82\xac \xf0\x9f\x98\x80", "\xe2\x82\xac \xf0\x9f\x98\x80"},
           {"\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},
           // The edges of the narrowed second bytes: U+0800, U+D7FF, U+10000.
           {"\xe0\xa0\x80\xed\x9f\xbf\xf0\x90\x80\x80", "\xe0\xa0\x80\xed\x9f\xbf\xf0\x90\x80\x80"},
           {"\xff\xfe", "\\xff\\xfe"},
           {"nul\0"s, "nul\\x00"},
       }) {
    EXPECT_EQ(wol::shown(t.raw), t.shown);
  }
}

TEST(Forms, HexDigits) {
  EXPECT_EQ(wol::hex_value('0'), 0);
  EXPECT_EQ(wol::hex_value('9'), 9);
  EXPECT_EQ(wol::hex_value('a'), 10);
  EXPECT_EQ(wol::hex_value('F'), 15);
  for (const char c : {'g', 'G', '/', ':', '@', '`', ' '}) {
    EXPECT_EQ(wol::hex_value(c), -1) << c;
  }
  const unsigned char bytes[] = {0x00, 0x0f, 0xa5, 0xff};
  EXPECT_EQ(wol::hex_text(bytes, sizeof bytes), "000fa5ff");
}

} // namespace
