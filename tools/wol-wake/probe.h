// --up's question, asked once a second: does the machine answer yet? Either
// a TCP connection to a port, or an ICMP echo request and its reply: on
// Linux through an unprivileged ICMP datagram socket where
// net.ipv4.ping_group_range lets this user have one, else a raw socket
// (root or CAP_NET_RAW); on Windows IcmpSendEcho. One file per platform:
// probe_posix.cpp, probe_win32.cpp.
#ifndef WOL_WAKE_PROBE_H
#define WOL_WAKE_PROBE_H

#include "transport.h"

#include <cstdint>
#include <string>

namespace wol::wake {

class Prober {
public:
  // Asks `host` on the TCP `port`; port 0: by ICMP echo.
  Prober(const Endpoint &host, int port) : host_(host), port_(port) {}
  ~Prober();
  Prober(const Prober &) = delete;
  Prober &operator=(const Prober &) = delete;
  Prober(Prober &&) = delete;
  Prober &operator=(Prober &&) = delete;

  // One attempt of at most `ms` milliseconds: whether the host answered.
  // `fatal` is set when no attempt can be made at all (no ICMP socket).
  bool attempt(int ms, std::string &fatal);

private:
  bool connect_tcp(int ms);
  bool echo(int ms, std::string &fatal);
#ifndef _WIN32
  bool open_icmp(std::string &fatal);
  [[nodiscard]] bool is_reply(const unsigned char *request) const;
#endif

  Endpoint host_;
  int port_ = 0;
#ifdef _WIN32
  void *icmp_ = nullptr; // IcmpCreateFile's handle
#else
  int icmp_ = -1;    // an ICMP socket, kept for the attempts
  bool raw_ = false; // a raw one: the replies of others arrive too
  std::uint16_t sequence_ = 0;
#endif
};

} // namespace wol::wake

#endif
