// wol_send through the shared library and the platform's real sockets, to
// receivers on 127.0.0.1. Nothing here may send to a broadcast address, even
// with a broken library: every call names 127.0.0.1 (or a text that a
// lenient parser would read as it), and the default address is only ever
// used through the fake socket layer.
#include "expected_packet.h"
#include "tarnwick_wol.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <vector>

namespace {

constexpr char kLoopback[] = "127.0.0.1";
constexpr char kMac[] = "00:11:22:33:44:55";
constexpr mac_address kMacBytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
constexpr char kBadAddress[] = "invalid broadcast_ip (must be IPv4 dotted quad)";
constexpr char kPortRange[] = "port out of range";

std::vector<unsigned char> packet_for(const char *mac) {
  std::vector<unsigned char> packet(TARNWICK_WOL_PACKET_SIZE);
  EXPECT_EQ(wol_packet(mac, packet.data(), static_cast<int>(packet.size())),
            TARNWICK_WOL_PACKET_SIZE);
  return packet;
}

// Sends `mac` (which spells `bytes`) to 127.0.0.1:`send_port` and expects
// its packet to reach `receiver`, alone: the bytes that wol_packet builds,
// and the bytes of the packet's definition.
void expect_delivered(udp_receiver &receiver, const char *mac, const mac_address &bytes,
                      int send_port) {
  ASSERT_EQ(wol_send(mac, kLoopback, send_port), 0) << wol_last_error();
  EXPECT_STREQ(wol_last_error(), "");
  const std::vector<unsigned char> datagram = receiver.receive();
  EXPECT_EQ(datagram, packet_for(mac));
  EXPECT_EQ(datagram, expected_packet(bytes));
  EXPECT_FALSE(receiver.pending()) << "more than one datagram arrived";
}

TEST(send_loopback, delivers_the_exact_packet_in_one_datagram) {
  udp_receiver receiver;
  ASSERT_EQ(receiver.error(), "");
  expect_delivered(receiver, kMac, kMacBytes, receiver.port());
  expect_delivered(receiver, "a0B1c2D3e4F5", {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}, receiver.port());
}

TEST(send_loopback, success_empties_an_earlier_message) {
  udp_receiver receiver;
  ASSERT_EQ(receiver.error(), "");
  ASSERT_EQ(wol_send("AA:BB:CC:DD:EE:FF:00", kLoopback, receiver.port()), -1);
  ASSERT_STRNE(wol_last_error(), "");
  expect_delivered(receiver, kMac, kMacBytes, receiver.port());
}

TEST(send_loopback, port_zero_and_negative_mean_port_9) {
  udp_receiver receiver(9);
  if (!receiver.error().empty()) {
    // The reason, on the line that CTest's summary reads.
    std::printf("SKIP: port 9 needs root or is taken: %s\n", receiver.error().c_str());
    GTEST_SKIP();
  }
  for (const int port : {0, -5, INT_MIN}) {
    SCOPED_TRACE(port);
    expect_delivered(receiver, kMac, kMacBytes, port);
  }
}

TEST(send_loopback, uses_port_65535_unchanged) {
  udp_receiver receiver(65535);
  if (!receiver.error().empty()) {
    GTEST_SKIP() << "port 65535 is taken: " << receiver.error();
  }
  expect_delivered(receiver, kMac, kMacBytes, 65535);
}

TEST(send_loopback, refuses_ports_above_65535) {
  for (const int port : {65536, INT_MAX}) {
    EXPECT_EQ(wol_send(kMac, kLoopback, port), -1) << port;
    EXPECT_STREQ(wol_last_error(), kPortRange) << port;
  }
}

// Texts that a lenient parser (inet_aton, inet_addr) reads as 127.0.0.1 and
// the platform's inet_pton refuses; the full table of bad addresses goes
// through the fake socket layer, so that a library that accepted them could
// not send anywhere but here.
TEST(send_loopback, refuses_loopback_addresses_that_are_not_dotted_quads) {
  for (const char *address : {"127.1", "127.0.0.1 ", "0x7f.0.0.1", "127.000.000.001"}) {
    EXPECT_EQ(wol_send(kMac, address, 9), -1) << address;
    EXPECT_STREQ(wol_last_error(), kBadAddress) << address;
  }
}

} // namespace
