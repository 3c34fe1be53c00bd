// --up's question to a real host, asked once a second: a TCP connection to
// a port, or an ICMP echo request and its reply. On Linux an unprivileged
// ICMP datagram socket where net.ipv4.ping_group_range lets this user have
// one, else a raw socket (root or CAP_NET_RAW); on Windows IcmpSendEcho.
// When to ask and what an answer is are worked out here once (probe.cpp);
// the system calls are one file per platform: probe_posix.cpp,
// probe_win32.cpp.
#ifndef WOL_WAKE_PROBE_H
#define WOL_WAKE_PROBE_H

#include "address.h"
#include "up.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wol::wake {

class Prober final : public Question {
public:
  // Asks `host` on the TCP `port`; port 0: by ICMP echo.
  Prober(const Endpoint &host, int port) : host_(host), port_(port) {}
  ~Prober() override;
  Prober(const Prober &) = delete;
  Prober &operator=(const Prober &) = delete;
  Prober(Prober &&) = delete;
  Prober &operator=(Prober &&) = delete;

  // Opens what the questions need (an ICMP socket or handle), before
  // anything is sent; nothing, or why no question can be asked.
  std::optional<std::string> open();

  // Waits at most `time` for an answer, asking again once a second.
  Answer wait(milliseconds time) override;

private:
  enum class Heard : std::uint8_t { nothing, answer, failure };

  // The platform's part. ask() puts the question (starts a connection, or
  // sends an echo request) or returns why it could not; listen() waits at
  // most `ms` for its answer, setting `failure` when the question failed
  // (the connection was refused); drop() gives up an unanswered one.
  std::optional<std::string> ask();
  Heard listen(int ms, std::string &failure);
  void drop();

  Endpoint host_;
  int port_ = 0;
  bool asking_ = false; // a question is out
  Clock::time_point asked_at_;
  std::string reason_;     // why the last question got no answer
  std::intptr_t tcp_ = -1; // the connection being made: a descriptor or a SOCKET
#ifdef _WIN32
  void *icmp_ = nullptr; // IcmpCreateFile's handle
#else
  int icmp_ = -1;    // an ICMP socket
  bool raw_ = false; // a raw one: the replies of others arrive too
#endif
  std::uint16_t identifier_ = 0;
  std::uint16_t first_sequence_ = 1;
  std::uint16_t sequence_ = 0; // the last request's
};

constexpr std::size_t kEchoSize = 16;

// An ICMP or ICMPv6 echo request: identifier, sequence number, a payload
// of "wol-wake", and for IPv4 its checksum (the kernel sums ICMPv6's).
std::array<unsigned char, kEchoSize> echo_request(bool ipv6, std::uint16_t identifier,
                                                  std::uint16_t sequence);

// The Internet checksum (RFC 1071) of `size` bytes.
std::uint16_t internet_checksum(const unsigned char *bytes, std::size_t size);

// Whether the `size` bytes read from an ICMP socket are an echo reply to
// one of the requests numbered `first` to `last`: after the IPv4 header a
// raw IPv4 socket gives; with our identifier where a raw socket also gets
// the replies of others (a datagram socket's replies are its own).
bool is_echo_reply(const unsigned char *bytes, std::size_t size, bool ipv6, bool raw,
                   std::uint16_t identifier, std::uint16_t first, std::uint16_t last);

} // namespace wol::wake

#endif
