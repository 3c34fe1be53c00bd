// --up's timing on a clock of the test's own: when each copy goes, when the
// wait ends and what it says, for a host that answers at a given time or
// never; and the ICMP echo requests the probe sends and the replies it
// takes. No network, no real time.
#include "probe.h"
#include "up.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using wol::wake::Answer;
using wol::wake::Clock;
using wol::wake::milliseconds;
using wol::wake::UpOutcome;
using wol::wake::UpTiming;

// A host on the test's clock: it answers from `up_at` on (never when
// negative); until then each wait takes all its time and ends with `reason`.
class Host final : public wol::wake::Question {
public:
  Host(Clock::time_point &now, long long up_at, std::string reason)
      : now_(now), up_at_(now + milliseconds(up_at)), never_(up_at < 0),
        reason_(std::move(reason)) {}

  Answer wait(milliseconds time) override {
    EXPECT_GE(time.count(), 0);
    if (!never_ && now_ + time >= up_at_) {
      now_ = std::max(now_, up_at_);
      return {true, {}};
    }
    now_ += time;
    return {false, reason_};
  }

private:
  Clock::time_point &now_;
  Clock::time_point up_at_;
  bool never_;
  std::string reason_;
};

struct Case {
  const char *name;
  UpTiming timing;
  long long up_at;      // ms after the first copy; negative: never
  int failing_copy;     // the copy (from 0) that does not go; -1: none
  std::string reason;   // each unanswered question's
  std::string expected; // "copies at 0,1000 / up after 1500", "... / timed out after 3000: why"
};

std::string run(const Case &c) {
  Clock::time_point now{};
  const Clock::time_point start = now;
  Host host(now, c.up_at, c.reason);
  std::string copies;
  int copy = 0;
  const wol::wake::UpResult result = wol::wake::wait_until_up(
      c.timing, host,
      [&] {
        copies += (copies.empty() ? "" : ",") +
                  std::to_string(std::chrono::duration_cast<milliseconds>(now - start).count());
        return copy++ != c.failing_copy;
      },
      [&now] { return now; });
  std::string out = "copies at " + copies + " / ";
  switch (result.outcome) {
  case UpOutcome::up:
    return out + "up after " + std::to_string(result.after.count());
  case UpOutcome::not_sent:
    return out + "not sent";
  case UpOutcome::timed_out:
    break;
  }
  return out + "timed out after " + std::to_string(result.after.count()) + ": " + result.reason;
}

constexpr milliseconds ms(long long n) { return milliseconds(n); }

const Case kCases[] = {
    {"up_at_once", {ms(120000), ms(10000), 1, ms(0)}, 0, -1, "", "copies at 0 / up after 0"},
    {"up_after_a_while",
     {ms(120000), ms(10000), 1, ms(0)},
     2500,
     -1,
     "",
     "copies at 0 / up after 2500"},
    {"resent_until_up",
     {ms(120000), ms(10000), 1, ms(0)},
     25000,
     -1,
     "",
     "copies at 0,10000,20000 / up after 25000"},
    {"never_up", {ms(5000), ms(0), 1, ms(0)}, -1, -1, "", "copies at 0 / timed out after 5000: "},
    // Each resend sends at once, whatever -w says; the wait ends at the
    // timeout.
    {"wait_longer_than_the_timeout",
     {ms(3000), ms(1000), 1, ms(10000)},
     -1,
     -1,
     "",
     "copies at 0,1000,2000 / timed out after 3000: "},
    // Copies due after the timeout are not waited for...
    {"copies_past_the_timeout",
     {ms(2000), ms(0), 3, ms(1500)},
     -1,
     -1,
     "",
     "copies at 0,1500 / timed out after 2000: "},
    // ... a resend starts its copies afresh ...
    {"copies_and_resends",
     {ms(3000), ms(1000), 2, ms(1500)},
     -1,
     -1,
     "",
     "copies at 0,1000,2000 / timed out after 3000: "},
    {"copies_with_no_wait",
     {ms(2000), ms(1000), 3, ms(0)},
     -1,
     -1,
     "",
     "copies at 0,0,0,1000,1000,1000 / timed out after 2000: "},
    // ... and the host is asked between them.
    {"up_between_copies",
     {ms(10000), ms(0), 3, ms(1000)},
     1500,
     -1,
     "",
     "copies at 0,1000 / up after 1500"},
    {"resend_longer_than_the_timeout",
     {ms(2000), ms(10000), 1, ms(0)},
     -1,
     -1,
     "",
     "copies at 0 / timed out after 2000: "},
    {"last_question_failed",
     {ms(3000), ms(0), 1, ms(0)},
     -1,
     -1,
     "Network is unreachable",
     "copies at 0 / timed out after 3000: Network is unreachable"},
    {"first_copy_not_sent", {ms(3000), ms(1000), 2, ms(100)}, -1, 0, "", "copies at 0 / not sent"},
    {"later_copy_not_sent",
     {ms(3000), ms(1000), 1, ms(0)},
     2500,
     1,
     "",
     "copies at 0,1000,2000 / up after 2500"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class Up : public testing::TestWithParam<Case> {};

TEST_P(Up, SendsAndWaitsOnItsTiming) { EXPECT_EQ(run(GetParam()), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Table, Up, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

// Echo requests as the probe sends them, their checksums computed apart
// (RFC 1071), over identifiers and sequence numbers whose sums carry.
TEST(Probe, EchoRequestsCarryTheirChecksum) {
  struct Request {
    std::uint16_t identifier, sequence, checksum;
  };
  for (const Request &r : {Request{0x0000, 0x0001, 0x319b}, Request{0x1234, 0x0001, 0x1f67},
                           Request{0x1234, 0x0002, 0x1f66}, Request{0xffff, 0xffff, 0x319c},
                           Request{0x0001, 0x00ff, 0x309c}, Request{0xbeef, 0x0100, 0x71ac},
                           Request{0x7a69, 0x8000, 0x3732}}) {
    const auto request = wol::wake::echo_request(false, r.identifier, r.sequence);
    EXPECT_EQ(request[0], 8);
    EXPECT_EQ(request[2] << 8U | request[3], r.checksum) << r.identifier << " " << r.sequence;
    EXPECT_EQ(request[4] << 8U | request[5], r.identifier);
    EXPECT_EQ(request[6] << 8U | request[7], r.sequence);
  }
  const auto ipv6 = wol::wake::echo_request(true, 0x1234, 1);
  EXPECT_EQ(ipv6[0], 128);
  EXPECT_EQ(ipv6[2] << 8U | ipv6[3], 0) << "the kernel sums ICMPv6";
}

TEST(Probe, ChecksumOfOddLengthsAndCarries) {
  struct Sum {
    std::vector<unsigned char> bytes;
    std::uint16_t expected;
  };
  for (const Sum &s : {Sum{{0x01}, 0xfeff}, Sum{{0xff, 0xff, 0x01}, 0xfeff},
                       Sum{{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7}, 0x220d},
                       Sum{{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, 0x00ff}}) {
    EXPECT_EQ(wol::wake::internet_checksum(s.bytes.data(), s.bytes.size()), s.expected);
  }
}

// What a probe's ICMP socket may read: only an echo reply to one of its own
// requests counts. A raw socket also reads the host's (or its own)
// requests and the replies to other programs.
TEST(Probe, TakesOnlyRepliesToItsOwnRequests) {
  const auto reply = [](std::uint8_t type, std::uint16_t identifier, std::uint16_t sequence,
                        std::size_t ip_header) {
    std::vector<unsigned char> bytes(ip_header, 0);
    if (ip_header > 0) {
      bytes[0] = static_cast<unsigned char>(0x40 | (ip_header / 4));
    }
    const auto request = wol::wake::echo_request(false, identifier, sequence);
    bytes.insert(bytes.end(), request.begin(), request.end());
    bytes[ip_header] = type;
    return bytes;
  };
  struct Read {
    const char *what;
    std::vector<unsigned char> bytes;
    bool ipv6, raw;
    std::uint16_t first, last;
    bool taken;
  };
  const std::vector<Read> reads = {
      {"a reply", reply(0, 7, 3, 0), false, false, 1, 3, true},
      {"a reply after a raw socket's IP header", reply(0, 7, 3, 20), false, true, 1, 3, true},
      {"a reply after a longer IP header", reply(0, 7, 3, 24), false, true, 1, 3, true},
      {"our own request, seen by a raw socket", reply(8, 7, 3, 20), false, true, 1, 3, false},
      {"a reply to another program", reply(0, 8, 3, 20), false, true, 1, 3, false},
      {"a datagram socket's reply, its identifier the kernel's", reply(0, 8, 3, 0), false, false, 1,
       3, true},
      {"a reply to an earlier request", reply(0, 7, 1, 0), false, false, 1, 3, true},
      {"a reply to no request of ours", reply(0, 7, 4, 0), false, false, 1, 3, false},
      {"a reply before the first", reply(0, 7, 0, 0), false, false, 1, 3, false},
      {"sequence numbers that wrapped", reply(0, 7, 2, 0), false, false, 65534, 3, true},
      {"an ICMPv6 reply", reply(129, 7, 3, 0), true, false, 1, 3, true},
      {"an ICMPv6 request", reply(128, 7, 3, 0), true, true, 1, 3, false},
      {"an ICMPv4 reply type on ICMPv6", reply(0, 7, 3, 0), true, false, 1, 3, false},
      {"too short", {0, 0, 0, 0, 0, 7, 0}, false, false, 1, 3, false},
  };
  for (const Read &r : reads) {
    EXPECT_EQ(
        wol::wake::is_echo_reply(r.bytes.data(), r.bytes.size(), r.ipv6, r.raw, 7, r.first, r.last),
        r.taken)
        << r.what;
  }
}

} // namespace
