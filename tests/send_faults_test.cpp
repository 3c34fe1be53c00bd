// wol_send against a fake socket layer: the defaults it hands the platform,
// the start-up rules, and every failure the platform can cause. No datagram
// leaves the process.
#include "expected_packet.h"
#include "fake_socket_layer.h"
#include "guarded_text.h"
#include "tarnwick_wol.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

namespace {

constexpr char kMac[] = "00:11:22:33:44:55";
constexpr char kStartupFailed[] = "WSAStartup failed";
constexpr char kSocketFailed[] = "socket() failed (winsock not initialized)";
constexpr char kBadAddress[] = "invalid broadcast_ip (must be IPv4 dotted quad)";
constexpr char kSendFailed[] = "sendto() failed";
constexpr char kSendFailedWsa[] = "sendto() failed (WSA error)";

using ipv4 = std::array<unsigned char, 4>;

class send_faults : public testing::Test {
protected:
  // Whatever a test does, every socket it opened was closed again.
  void TearDown() override { EXPECT_EQ(fake().closes, fake().opens) << "socket left open"; }

  fake_socket_layer &fake() { return sockets_.layer(); }

private:
  scoped_fake_sockets sockets_;
};

struct destination_case {
  const char *name;
  const char *broadcast_ip;
  int port;
  ipv4 address;
  int sent_port;
};

const destination_case kDestinations[] = {
    {"null_address_and_port_0_are_the_broadcast_defaults", nullptr, 0, {255, 255, 255, 255}, 9},
    {"empty_address_is_the_default", "", -5, {255, 255, 255, 255}, 9},
    {"lowest_port_means_9", nullptr, INT_MIN, {255, 255, 255, 255}, 9},
    {"subnet_broadcast_and_port_1_unchanged", "192.168.1.255", 1, {192, 168, 1, 255}, 1},
    {"unicast_and_port_65535_unchanged", "10.0.0.7", 65535, {10, 0, 0, 7}, 65535},
};

class send_destination : public send_faults,
                         public testing::WithParamInterface<destination_case> {};

TEST_P(send_destination, hands_one_packet_to_the_platform_with_broadcast_enabled) {
  const destination_case &c = GetParam();
  ASSERT_EQ(wol_send(kMac, c.broadcast_ip, c.port), 0) << wol_last_error();
  EXPECT_STREQ(wol_last_error(), "");
  EXPECT_EQ(fake().sends, 1);
  EXPECT_EQ(fake().broadcast_enabled, 1);
  EXPECT_EQ(fake().address, c.address);
  EXPECT_EQ(fake().port, c.sent_port);
  std::vector<unsigned char> packet(TARNWICK_WOL_PACKET_SIZE);
  ASSERT_EQ(wol_packet(kMac, packet.data(), TARNWICK_WOL_PACKET_SIZE), TARNWICK_WOL_PACKET_SIZE);
  EXPECT_EQ(fake().datagram, packet);
  EXPECT_EQ(fake().datagram, expected_packet({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
}

INSTANTIATE_TEST_SUITE_P(table, send_destination, testing::ValuesIn(kDestinations),
                         [](const testing::TestParamInfo<destination_case> &info) {
                           return std::string(info.param.name);
                         });

TEST_F(send_faults, starts_the_socket_layer_once_after_it_succeeds) {
  ASSERT_EQ(wol_send(kMac, nullptr, 0), 0);
  ASSERT_EQ(wol_send(kMac, nullptr, 0), 0);
  EXPECT_EQ(fake().starts, 1);
}

TEST_F(send_faults, retries_a_failed_start_on_the_next_call) {
  fake().start_result = 10091; // WSASYSNOTREADY
  for (int attempt = 1; attempt <= 3; ++attempt) {
    EXPECT_EQ(wol_send(kMac, nullptr, 0), -1);
    EXPECT_STREQ(wol_last_error(), kStartupFailed);
    EXPECT_EQ(fake().starts, attempt);
  }
  EXPECT_EQ(fake().opens, 0);
  fake().start_result = 0;
  EXPECT_EQ(wol_send(kMac, nullptr, 0), 0);
  EXPECT_EQ(wol_send(kMac, nullptr, 0), 0);
  EXPECT_EQ(fake().starts, 4);
}

TEST_F(send_faults, never_starts_the_socket_layer_for_a_bad_mac_or_port) {
  EXPECT_EQ(wol_send("AA:BB", nullptr, 0), -1);
  EXPECT_EQ(wol_send(kMac, nullptr, 65536), -1);
  EXPECT_EQ(fake().starts, 0);
}

TEST_F(send_faults, a_start_failure_hides_a_bad_address) {
  fake().start_result = 1;
  EXPECT_EQ(wol_send(kMac, "not an address", 0), -1);
  EXPECT_STREQ(wol_last_error(), kStartupFailed);
}

TEST_F(send_faults, a_socket_that_cannot_open_hides_a_bad_address) {
  fake().open_fails = true;
  EXPECT_EQ(wol_send(kMac, "not an address", 0), -1);
  EXPECT_STREQ(wol_last_error(), kSocketFailed);
  EXPECT_EQ(fake().sends, 0);
}

// Refused by the platform's own conversion, which the fake layer keeps; the
// socket opened for the call is closed and nothing is sent.
TEST_F(send_faults, refuses_addresses_that_are_not_ipv4_dotted_quads_and_closes) {
  for (const char *address :
       {"1.2.3", "example", "::1", "256.1.1.1", "1.2.3.4.5", "127.0.0.1 ", "localhost", "x"}) {
    SCOPED_TRACE(address);
    const int opened = fake().opens;
    EXPECT_EQ(wol_send(kMac, address, 9), -1);
    EXPECT_STREQ(wol_last_error(), kBadAddress);
    EXPECT_EQ(fake().opens, opened + 1);
    EXPECT_EQ(fake().closes, fake().opens);
  }
  EXPECT_EQ(fake().sends, 0);
}

TEST_F(send_faults, never_reads_past_an_address_terminator) {
  guarded_page page;
  ASSERT_TRUE(page.ready());
  for (const char *address : {"1", "1.2.3", "300.1.1.1", "example", "1.2.3.4.5"}) {
    EXPECT_EQ(wol_send(kMac, page.place(address), 9), -1) << address;
    EXPECT_STREQ(wol_last_error(), kBadAddress) << address;
  }
  for (const char *address : {"", "192.0.2.255"}) {
    EXPECT_EQ(wol_send(kMac, page.place(address), 9), 0) << address;
  }
  EXPECT_EQ(fake().sends, 2);
}

TEST_F(send_faults, reports_mac_then_port_then_address) {
  EXPECT_EQ(wol_send("AA-BB-CC-DD-EE-FF", "x", 65536), -1);
  EXPECT_STREQ(wol_last_error(), "mac contains non-hex characters");
  EXPECT_EQ(wol_send(nullptr, nullptr, 65536), -1);
  EXPECT_STREQ(wol_last_error(), "mac is NULL or empty");
  EXPECT_EQ(wol_send(kMac, "x", 65536), -1);
  EXPECT_STREQ(wol_last_error(), "port out of range");
  EXPECT_EQ(wol_send(kMac, "x", 7), -1);
  EXPECT_STREQ(wol_last_error(), kBadAddress);
  EXPECT_EQ(fake().sends, 0);
}

struct send_failure_case {
  const char *name;
  int send_result;
  int error_code;
  const char *message;
};

const send_failure_case kSendFailures[] = {
    {"no_error_code", -1, 0, kSendFailed},
    {"code_5", -1, 5, kSendFailedWsa},
    {"code_999", -1, 999, kSendFailedWsa},
    {"code_1000", -1, 1000, kSendFailed},
    {"wsaeconnreset_10054", -1, 10054, kSendFailed},
    {"negative_code", -1, -1, kSendFailedWsa},
    {"partial_send", 101, 0, kSendFailed},
    {"nothing_sent", 0, 0, kSendFailed},
    {"partial_send_with_code_above_999", 60, 10055, kSendFailed},
    {"partial_send_with_code_40", 60, 40, kSendFailedWsa},
};

class send_failure : public send_faults, public testing::WithParamInterface<send_failure_case> {};

TEST_P(send_failure, reports_the_message_for_the_error_code_and_closes) {
  const send_failure_case &c = GetParam();
  fake().send_result = c.send_result;
  fake().error_code = c.error_code;
  EXPECT_EQ(wol_send(kMac, nullptr, 0), -1);
  EXPECT_STREQ(wol_last_error(), c.message);
  EXPECT_EQ(fake().sends, 1);
  EXPECT_EQ(fake().closes, 1);
}

INSTANTIATE_TEST_SUITE_P(table, send_failure, testing::ValuesIn(kSendFailures),
                         [](const testing::TestParamInfo<send_failure_case> &info) {
                           return std::string(info.param.name);
                         });

TEST_F(send_faults, a_failure_replaces_a_longer_earlier_message) {
  ASSERT_EQ(wol_send("AABBCCDDEEFF00", nullptr, 0), -1);
  fake().send_result = -1;
  EXPECT_EQ(wol_send(kMac, nullptr, 0), -1);
  EXPECT_STREQ(wol_last_error(), kSendFailed);
}

} // namespace
