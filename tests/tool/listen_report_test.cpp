// What wol-listen writes for each packet: the line and the JSON object of
// a datagram and of a frame, for a packet, a packet with a password and
// each kind of fault.
#include "report.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

using wol::Arrival;
using Bytes = std::vector<unsigned char>;

Bytes packet(const Bytes &after = {}) {
  Bytes out(6, 0xFF);
  for (int copy = 0; copy < 16; ++copy) {
    out.insert(out.end(), {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
  }
  out.insert(out.end(), after.begin(), after.end());
  return out;
}

Arrival datagram(const Bytes &bytes) {
  Arrival a;
  a.bytes = bytes;
  a.time = std::chrono::system_clock::from_time_t(1796299387) + std::chrono::milliseconds(45);
  a.source = *wol::parse_address("192.0.2.10");
  a.source_port = 40000;
  a.destination = *wol::parse_address("198.51.100.255");
  a.destination_port = 9;
  return a;
}

// The line without its local time, which depends on the time zone.
std::string without_time(const std::string &line) {
  const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} )");
  EXPECT_TRUE(std::regex_search(line, stamp)) << line;
  return std::regex_replace(line, stamp, "");
}

std::string line_of(const Arrival &a, const std::string &iface = "wol1") {
  return without_time(
      wol::listen::text_line(a, wol::read_magic_packet(a.bytes.data(), a.bytes.size()), iface));
}

std::string json_of(const Arrival &a, const std::string &iface = "wol1") {
  return wol::listen::json_line(a, wol::read_magic_packet(a.bytes.data(), a.bytes.size()), iface);
}

TEST(ListenReport, LinesSayWhatArrivedFromWhereToWhere) {
  EXPECT_EQ(line_of(datagram(packet())),
            "wol1 udp 192.0.2.10:40000 > 198.51.100.255:9 00:11:22:33:44:55 ok");
  EXPECT_EQ(line_of(datagram(packet({192, 168, 1, 254}))),
            "wol1 udp 192.0.2.10:40000 > 198.51.100.255:9 00:11:22:33:44:55 password "
            "192.168.1.254 ok");
  Bytes late(10, 0x00);
  const Bytes whole = packet();
  late.insert(late.end(), whole.begin(), whole.end());
  EXPECT_EQ(line_of(datagram(late)),
            "wol1 udp 192.0.2.10:40000 > 198.51.100.255:9 00:11:22:33:44:55 ok (at byte 10)");
  EXPECT_EQ(line_of(datagram(Bytes(50, 0x41)), ""),
            "? udp 192.0.2.10:40000 > 198.51.100.255:9 - too-short (50 bytes, fewer than a "
            "magic packet's 102)");
  Arrival ipv6 = datagram(packet());
  ipv6.source = *wol::parse_address("fe80::1");
  ipv6.destination = *wol::parse_address("ff02::1");
  EXPECT_EQ(line_of(ipv6), "wol1 udp [fe80::1]:40000 > [ff02::1]:9 00:11:22:33:44:55 ok");
  Arrival unknown = datagram(packet({1}));
  unknown.destination.reset();
  EXPECT_EQ(line_of(unknown), "wol1 udp 192.0.2.10:40000 > ?:9 00:11:22:33:44:55 extra-bytes (a "
                              "magic packet, then 1 byte that is no SecureOn password (4 or 6 "
                              "bytes))");
  Arrival frame = datagram(packet({0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f}));
  frame.frame = true;
  frame.source_mac = {0x02, 0, 0, 0, 0, 0x01};
  frame.destination_mac = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(line_of(frame), "wol1 eth 02:00:00:00:00:01 > ff:ff:ff:ff:ff:ff 00:11:22:33:44:55 "
                            "password 0a:0b:0c:0d:0e:0f ok");
}

TEST(ListenReport, JsonHoldsTheSameFactsWithNullsWhereNoneApply) {
  EXPECT_EQ(json_of(datagram(packet({1, 2, 3, 4}))),
            R"({"time":"2026-12-03T12:03:07.045Z","interface":"wol1","transport":"udp",)"
            R"("source":"192.0.2.10","source_port":40000,"destination":"198.51.100.255",)"
            R"("destination_port":9,"mac":"00:11:22:33:44:55","password":"1.2.3.4",)"
            R"("verdict":"ok","detail":"a magic packet with a SecureOn password",)"
            R"("offset":0,"size":106})");
  Arrival frame = datagram(Bytes(120, 0x00));
  frame.frame = true;
  frame.source_mac = {0x02, 0, 0, 0, 0, 0x01};
  frame.destination_mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  EXPECT_EQ(json_of(frame, "a \"quoted\"\tname"),
            R"({"time":"2026-12-03T12:03:07.045Z","interface":"a \"quoted\"\u0009name",)"
            R"("transport":"ethernet","source":"02:00:00:00:00:01","source_port":null,)"
            R"("destination":"00:11:22:33:44:55","destination_port":null,"mac":null,)"
            R"("password":null,"verdict":"no-sync","detail":"no run of six 0xFF bytes in )"
            R"(120 bytes","offset":0,"size":120})");
}

} // namespace
