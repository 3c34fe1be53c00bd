// What the library must never do inside a host's process: read past a
// text's end, keep a socket, or touch the heap.
#include "guarded_text.h"
#include "tarnwick_wol.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#endif

namespace {

constexpr int kPacketSize = TARNWICK_WOL_PACKET_SIZE;

// Every prefix of each text, and the texts themselves: each one ends at a
// different point of the parse.
std::vector<std::string> texts_ending_everywhere() {
  std::vector<std::string> texts;
  for (const std::string full :
       {"AA:BB:CC:DD:EE:FF", "aabbccddeeff", "AA:BB:CC:DD:EE:FF:", "AABBCCDDEEFF00",
        "AA-BB-CC-DD-EE-FF", "AA:BBCCDDEEFF", "AABB:CC:DD:EE:FF", "GG:BB:CC:DD:EE:FF"}) {
    for (std::size_t length = 0; length <= full.size(); ++length) {
      texts.push_back(full.substr(0, length));
    }
  }
  return texts;
}

TEST(bounded_reads, never_reads_past_a_mac_terminator) {
  guarded_page page;
  ASSERT_TRUE(page.ready());
  unsigned char packet[kPacketSize];
  for (const std::string &text : texts_ending_everywhere()) {
    const char *mac = page.place(text.c_str());
    const int built = wol_packet(mac, packet, kPacketSize);
    EXPECT_TRUE(built == kPacketSize || built == -1) << text;
    // Port 65536 stops wol_send after the MAC is parsed: nothing is sent.
    EXPECT_EQ(wol_send(mac, nullptr, 65536), -1) << text;
  }
}

TEST(bounded_reads, never_reads_past_an_address_terminator) {
  guarded_page page;
  ASSERT_TRUE(page.ready());
  for (const char *address : {"1", "1.2.3", "300.1.1.1", "example", ""}) {
    EXPECT_EQ(wol_send(nullptr, page.place(address), 0), -1) << address;
    EXPECT_EQ(wol_send("AA:BB", page.place(address), 0), -1) << address;
  }
  EXPECT_EQ(wol_send("AA:BB:CC:DD:EE:FF", page.place("1.2.3"), 9), -1);
  EXPECT_STREQ(wol_last_error(), "invalid broadcast_ip (must be IPv4 dotted quad)");
}

#ifndef _WIN32
int open_descriptors() {
  int count = 0;
  DIR *dir = opendir("/proc/self/fd");
  if (dir == nullptr) {
    return -1;
  }
  while (readdir(dir) != nullptr) {
    ++count;
  }
  closedir(dir);
  return count;
}

TEST(sockets, none_outlives_thousands_of_sends) {
  udp_receiver receiver;
  ASSERT_EQ(receiver.error(), "");
  const int before = open_descriptors();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(wol_send("00:11:22:33:44:55", "127.0.0.1", receiver.port()), 0) << wol_last_error();
    ASSERT_EQ(wol_send("00:11:22:33:44:55", "not.an.address", receiver.port()), -1);
    ASSERT_EQ(wol_send("00:11:22:33:44:55", "127.0.0.1", 70000), -1);
    (void)receiver.receive(0);
  }
  EXPECT_EQ(open_descriptors(), before);
}
#endif

} // namespace
