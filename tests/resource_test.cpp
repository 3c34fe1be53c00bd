// What the library must never do inside a host's process: read past a
// MAC text's end or keep a socket. (Address texts are read by the
// platform's own conversion; their bounded reads are tested over the fake
// socket layer.)
#include "guarded_text.h"
#include "tarnwick_wol.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

constexpr int kPacketSize = TARNWICK_WOL_PACKET_SIZE;
constexpr char kLoopback[] = "127.0.0.1";
constexpr char kMac[] = "00:11:22:33:44:55";

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
    // Only a complete address in one of the two forms is accepted; every
    // shorter or longer text is refused, without reading past its end.
    const bool complete =
        text == "AA:BB:CC:DD:EE:FF" || text == "aabbccddeeff" || text == "AABBCCDDEEFF";
    EXPECT_EQ(wol_packet(mac, packet, kPacketSize), complete ? kPacketSize : -1) << text;
    // Port 65536 stops wol_send after the MAC is parsed: nothing is sent.
    EXPECT_EQ(wol_send(mac, kLoopback, 65536), -1) << text;
  }
}

// The value of a socket opened and closed right away: the handle (or
// descriptor) that the next socket gets while nothing else is opened.
std::uintptr_t next_socket_handle() {
#ifdef _WIN32
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  closesocket(s);
#else
  const int s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  close(s);
#endif
  return static_cast<std::uintptr_t>(s);
}

// A socket that a call leaves open keeps the handle that the next socket
// would have had, on Windows as on POSIX.
TEST(sockets, each_send_frees_the_handle_it_took) {
  udp_receiver receiver;
  ASSERT_EQ(receiver.error(), "");
  ASSERT_EQ(wol_send(kMac, kLoopback, receiver.port()), 0) << wol_last_error();
  const std::uintptr_t before = next_socket_handle();
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(wol_send(kMac, kLoopback, receiver.port()), 0) << wol_last_error();
    EXPECT_EQ(next_socket_handle(), before) << "after send " << i + 1;
  }
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
    ASSERT_EQ(wol_send(kMac, kLoopback, receiver.port()), 0) << wol_last_error();
    ASSERT_EQ(wol_send(kMac, kLoopback, 70000), -1);
    (void)receiver.receive(0);
  }
  EXPECT_EQ(open_descriptors(), before);
}

// The type flags of the last socket opened in this process, seen by the
// socket() below, which the library's calls reach before the C library's.
int g_last_socket_type = -1;

TEST(sockets, are_opened_close_on_exec) {
  udp_receiver receiver;
  ASSERT_EQ(receiver.error(), "");
  g_last_socket_type = -1;
  ASSERT_EQ(wol_send(kMac, kLoopback, receiver.port()), 0) << wol_last_error();
  ASSERT_NE(g_last_socket_type, -1) << "the library's socket() was not seen";
  EXPECT_NE(g_last_socket_type & SOCK_CLOEXEC, 0)
      << "a program that the host starts would inherit the socket";
}
#endif

} // namespace

#ifndef _WIN32
// Every socket() of the process comes here first, the library's included.
extern "C" int socket(int domain, int type, int protocol) noexcept {
  using real_socket = int (*)(int, int, int);
  static const auto real = reinterpret_cast<real_socket>(dlsym(RTLD_NEXT, "socket"));
  g_last_socket_type = type;
  return real(domain, type, protocol);
}
#endif
