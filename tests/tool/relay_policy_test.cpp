// wol-relay's decision about each request, without a network: a table of
// requests with the refusal (or forward) each gets, the order in which the
// checks are made, the rate limits over time on a clock of the test's own,
// and the allow-list as files give it.
#include "allow_list.h"
#include "policy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using wol::relay::Clock;
using wol::relay::Facts;
using wol::relay::Policy;
using wol::relay::Rules;
using Bytes = std::vector<unsigned char>;
using std::chrono::milliseconds;
using std::chrono::seconds;

const char kAllowed[] = "00:11:22:33:44:55";
const char kOther[] = "66:77:88:99:aa:bb";
const std::vector<unsigned char> kFourBytes{1, 2, 3, 4}; // a SecureOn password
const std::vector<unsigned char> kThreeBytes{1, 2, 3};   // no password

Bytes packet(const char *mac, const Bytes &after = {}) {
  const wol::MacBytes bytes = *wol::mac_bytes(mac);
  Bytes out(6, 0xFF);
  for (int copy = 0; copy < 16; ++copy) {
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out.insert(out.end(), after.begin(), after.end());
  return out;
}

wol::Arrival request(const Bytes &bytes, const char *source = "192.0.2.10") {
  wol::Arrival a;
  a.bytes = bytes;
  a.source = *wol::parse_address(source);
  a.source_port = 40000;
  a.destination = *wol::parse_address("198.51.100.10");
  a.destination_port = 9;
  return a;
}

Rules rules() {
  Rules r;
  wol::Ethers allow;
  allow.add({1, std::string(kAllowed) + " office-pc", {}});
  allow.add({2, "0a:0b:0c:0d:0e:0f", {}});
  r.allow = allow;
  r.allow_file = "allow.txt";
  r.from = {*wol::relay::parse_cidr("192.0.2.0/24")};
  r.per_mac = {1, 1};
  r.global = {10, 1};
  r.forward_to = *wol::parse_address("192.0.2.99");
  return r;
}

// "forward" or "NAME: REASON", and the allow-list's name in brackets.
std::string judged(Policy &policy, const wol::Arrival &a, const Facts &facts = {},
                   Clock::time_point now = Clock::time_point{}) {
  const wol::relay::Ruling ruling = policy.judge(a, facts, now);
  std::string out(wol::relay::refusal_name(ruling.refusal));
  if (!ruling.reason.empty()) {
    out += ": " + ruling.reason;
  }
  return ruling.name.empty() ? out : out + " [" + ruling.name + "]";
}

struct Case {
  const char *name;
  std::function<wol::Arrival()> request;
  Facts facts;
  std::string expected;
};

const Facts kNone{};
const Facts kOwn{true, true, true};
const Facts kBroadcast{false, false, false};
const Facts kFromHere{false, true, true};

const Case kCases[] = {
    {"an_allowed_packet", [] { return request(packet(kAllowed)); }, kNone, "forward [office-pc]"},
    {"an_allowed_packet_with_a_password",
     [] { return request(packet("0a-0b-0c-0d-0e-0f", kFourBytes)); }, kNone, "forward"},
    {"sent_by_this_relay", [] { return request(packet(kAllowed), "127.0.0.1"); }, kOwn,
     "own: sent by this relay [office-pc]"},
    {"sent_to_a_broadcast",
     [] {
       wol::Arrival a = request(packet(kAllowed));
       a.destination = *wol::parse_address("198.51.100.255");
       return a;
     },
     kBroadcast, "broadcast: sent to 198.51.100.255, not to this relay [office-pc]"},
    {"a_sender_outside_from", [] { return request(packet(kAllowed), "198.51.100.1"); }, kNone,
     "sender: not from a network of --from [office-pc]"},
    {"an_ipv6_sender_outside_from", [] { return request(packet(kAllowed), "2001:db8::1"); }, kNone,
     "sender: not from a network of --from [office-pc]"},
    {"no_magic_packet", [] { return request(Bytes(120, 0x41)); }, kNone,
     "not-magic: no-sync, no run of six 0xFF bytes in 120 bytes"},
    {"a_damaged_packet",
     [] {
       Bytes bytes = packet(kAllowed);
       bytes[6 + 6 * 7] ^= 0x01;
       return request(bytes);
     },
     kNone, "not-magic: copy-differs, copy 8 of the MAC differs from the first [office-pc]"},
    {"extra_bytes_are_no_password", [] { return request(packet(kAllowed, kThreeBytes)); }, kNone,
     "not-magic: extra-bytes, a magic packet, then 3 bytes that are no SecureOn password (4 or "
     "6 bytes) [office-pc]"},
    {"a_mac_not_allowed", [] { return request(packet(kOther)); }, kNone,
     "not-allowed: not in allow.txt"},
    {"back_where_it_came_from", [] { return request(packet(kAllowed), "192.0.2.99"); }, kNone,
     "loop: -i would send it back to 192.0.2.99, where it came from [office-pc]"},
    // This machine's own datagrams are `own`'s to judge, by their port.
    {"from_this_machine_to_its_own_address", [] { return request(packet(kAllowed), "192.0.2.99"); },
     kFromHere, "forward [office-pc]"},
    // The first check that fails is the one reported.
    {"own_before_everything", [] { return request(Bytes(5, 0), "203.0.113.1"); }, kOwn,
     "own: sent by this relay"},
    {"broadcast_before_sender", [] { return request(packet(kOther), "203.0.113.1"); }, kBroadcast,
     "broadcast: sent to 198.51.100.10, not to this relay"},
    {"sender_before_content", [] { return request(Bytes(5, 0), "203.0.113.1"); }, kNone,
     "sender: not from a network of --from"},
    {"content_before_allow_list", [] { return request(packet(kOther, {1})); }, kNone,
     "not-magic: extra-bytes, a magic packet, then 1 byte that is no SecureOn password (4 or 6 "
     "bytes)"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class RelayPolicy : public testing::TestWithParam<Case> {};

TEST_P(RelayPolicy, RefusesForTheFirstReasonOrForwards) {
  Policy policy(rules());
  EXPECT_EQ(judged(policy, GetParam().request(), GetParam().facts), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RelayPolicy, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

TEST(RelayPolicyRules, AnyMacAndAnySenderWithoutAllowListOrFrom) {
  Rules open;
  Policy policy(open);
  EXPECT_EQ(judged(policy, request(packet(kOther), "203.0.113.1")), "forward");
}

// --rate 3/10: at most three forwards of one MAC in any ten seconds.
TEST(RelayRateLimits, PerMacInASlidingWindow) {
  Rules r = rules();
  r.per_mac = {3, 10};
  Policy policy(r);
  const Clock::time_point t0{};
  const auto at = [&](milliseconds when, const char *mac = kAllowed) {
    return judged(policy, request(packet(mac)), {}, t0 + when);
  };
  const std::string limited =
      "rate-mac: this MAC was forwarded 3 times in the last 10 s (--rate 3/10) [office-pc]";
  EXPECT_EQ(at(milliseconds(0)), "forward [office-pc]");
  EXPECT_EQ(at(milliseconds(1000)), "forward [office-pc]");
  EXPECT_EQ(at(milliseconds(2000)), "forward [office-pc]");
  EXPECT_EQ(at(milliseconds(3000)), limited);
  EXPECT_EQ(at(milliseconds(3000), "0a:0b:0c:0d:0e:0f"), "forward"); // another MAC
  EXPECT_EQ(at(milliseconds(9999)), limited);
  EXPECT_EQ(at(milliseconds(10000)), "forward [office-pc]"); // the first left the window
  EXPECT_EQ(at(milliseconds(10500)), limited);
  EXPECT_EQ(at(milliseconds(11000)), "forward [office-pc]");
}

// --global-rate 2/60 over many MACs; refusals count against nothing.
TEST(RelayRateLimits, GlobalOverEveryMac) {
  Rules r;
  r.per_mac = {1, 1};
  r.global = {2, 60};
  Policy policy(r);
  const Clock::time_point t0{};
  EXPECT_EQ(judged(policy, request(packet("02:00:00:00:00:01")), {}, t0), "forward");
  EXPECT_EQ(judged(policy, request(packet("02:00:00:00:00:01")), {}, t0),
            "rate-mac: this MAC was forwarded 1 time in the last 1 s (--rate 1/1)");
  EXPECT_EQ(judged(policy, request(packet("02:00:00:00:00:02")), {}, t0), "forward");
  const std::string limited =
      "rate-global: the relay forwarded 2 times in the last 60 s (--global-rate 2/60)";
  EXPECT_EQ(judged(policy, request(packet("02:00:00:00:00:03")), {}, t0 + seconds(59)), limited);
  EXPECT_EQ(judged(policy, request(packet("02:00:00:00:00:03")), {}, t0 + seconds(60)), "forward");
}

// A burst of a thousand requests for one MAC, and for a thousand MACs.
TEST(RelayRateLimits, ABurstBecomesNoMoreForwardsThanTheLimits) {
  Rules r;
  Policy policy(r);
  int forwarded_one = 0;
  int forwarded_many = 0;
  const Clock::time_point t0{};
  for (int i = 0; i < 1000; ++i) {
    forwarded_one += judged(policy, request(packet(kAllowed)), {}, t0) == "forward" ? 1 : 0;
  }
  for (int i = 0; i < 1000; ++i) {
    char mac[18];
    (void)std::snprintf(mac, sizeof mac, "02:00:00:00:%02x:%02x", i >> 8, i & 0xFF);
    forwarded_many += judged(policy, request(packet(mac)), {}, t0 + seconds(5)) == "forward";
  }
  EXPECT_EQ(forwarded_one, 1);
  EXPECT_EQ(forwarded_many, 10);
}

// A relay that runs for months keeps no more than its limits need.
TEST(RelayRateLimits, ForgetsMacsWhoseForwardsLeftTheWindow) {
  wol::relay::RateLimits limits({1, 1}, {100000, 1});
  const Clock::time_point t0{};
  for (unsigned i = 0; i < 500; ++i) {
    const wol::MacBytes mac{
        2, 0, 0, 0, static_cast<unsigned char>(i >> 8U), static_cast<unsigned char>(i & 0xFFU)};
    ASSERT_EQ(limits.check(mac, t0), wol::relay::Limited::no);
    limits.record(mac, t0);
  }
  EXPECT_EQ(limits.remembered(), 500U);
  (void)limits.check({2, 0, 0, 0, 9, 9}, t0 + seconds(5));
  EXPECT_EQ(limits.remembered(), 0U);
}

TEST(RelayRate, ReadsNOrNPerSeconds) {
  const auto read = [](const char *text) {
    const std::optional<wol::relay::Rate> rate = wol::relay::parse_rate(text);
    return rate ? std::to_string(rate->count) + "/" + std::to_string(rate->seconds) : "-";
  };
  EXPECT_EQ(read("1"), "1/1");
  EXPECT_EQ(read("3/10"), "3/10");
  EXPECT_EQ(read("100000/86400"), "100000/86400");
  for (const char *bad : {"", "0", "-1", "1/0", "1/", "/5", "100001", "1/86401", "1.5", "2/3/4"}) {
    EXPECT_EQ(read(bad), "-") << bad;
  }
}

// The allow-list read from files: what a line may hold, and what keeps the
// relay from starting.
class RelayAllowList : public testing::Test {
protected:
  std::string file(const std::string &text) {
    std::ofstream(path_, std::ios::binary) << text;
    return path_.string();
  }
  void TearDown() override { std::filesystem::remove(path_); }
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() /
      ("relay-allow-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".txt");
};

TEST_F(RelayAllowList, ReadsEthersLinesMacsAloneAndComments) {
  const wol::relay::AllowListRead read =
      wol::relay::read_allow_list(file("# office\r\n00-11-22-33-44-55 office-pc # desk\r\n\r\n"
                                       "8:0:20:1:14:5c\n  aabb.ccdd.eeff\tnas\n"));
  ASSERT_TRUE(read.list) << read.error;
  EXPECT_EQ(read.list->entries().size(), 3U);
  EXPECT_EQ(read.list->name_of(*wol::mac_bytes(kAllowed)), "office-pc");
  EXPECT_TRUE(read.list->lists(*wol::mac_bytes("08:00:20:01:14:5c")));
  EXPECT_EQ(read.list->name_of(*wol::mac_bytes("08:00:20:01:14:5c")), "");
  EXPECT_EQ(*read.list->find("NAS"), *wol::mac_bytes("aa:bb:cc:dd:ee:ff"));
}

TEST_F(RelayAllowList, RefusesALineThatIsNoMacAndAFileWithoutOne) {
  const std::string name = file("00:11:22:33:44:55 a\noffice-pc 00:11:22:33:44:56\n");
  EXPECT_EQ(wol::relay::read_allow_list(name).error,
            name + ":2: the first field is not a MAC address");
  EXPECT_EQ(wol::relay::read_allow_list(file("# nothing\n\n")).error, name + ": no MAC in it");
  std::filesystem::remove(path_);
  EXPECT_EQ(wol::relay::read_allow_list(name).error.rfind(name + ": cannot be read: ", 0), 0U);
}

} // namespace
