// The tools' own UDP transport: the library builds each packet, and
// wol-wake and wol-relay send it here, through one IPv4 socket with broadcasting enabled
// (and one IPv6 socket, when an IPv6 address is named) kept for the whole run (the library's
// wol_send opens one per datagram, and can name no reason for a failure). Every failure carries the
// system's reason: strerror on POSIX, FormatMessage on Windows. One file per platform:
// transport_posix.cpp, transport_win32.cpp.
#ifndef WOL_COMMON_TRANSPORT_H
#define WOL_COMMON_TRANSPORT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wol {

// An IPv4 or IPv6 address, in network byte order, with an IPv6 scope (the
// interface index of fe80::1%eth0 or ff02::1%eth0).
struct Endpoint {
  bool ipv6 = false;
  std::array<unsigned char, 16> bytes{}; // IPv4: the first four
  std::uint32_t scope = 0;
};

// The same address (the scope aside).
inline bool same_address(const Endpoint &a, const Endpoint &b) {
  return a.ipv6 == b.ipv6 && a.bytes == b.bytes;
}

// The address for a dotted quad, as the platform's inet_pton reads it.
std::optional<Endpoint> parse_ipv4(const std::string &text);

// The address for an IPv4 or IPv6 literal (without a scope), as the
// platform's inet_pton reads it.
std::optional<Endpoint> parse_address(const std::string &text);

// The address as inet_ntop writes it (without a scope).
std::string address_text(const Endpoint &address);

// An address, or why there is none.
struct Resolved {
  std::optional<Endpoint> endpoint;
  std::string error;
};

// An IPv6 literal (with a %scope: an interface name or index) or a host
// name, by the system's resolver (getaddrinfo): its first address. A name
// that does not resolve gives the resolver's reason.
Resolved resolve(const std::string &text);

class Transport {
public:
  Transport() = default;
  ~Transport();
  Transport(const Transport &) = delete;
  Transport &operator=(const Transport &) = delete;
  Transport(Transport &&) = delete;
  Transport &operator=(Transport &&) = delete;

  // Sends `size` bytes in one datagram to `to`:`port`. Returns nothing when
  // the whole datagram went, or else the system's reason.
  std::optional<std::string> send(const Endpoint &to, int port, const unsigned char *bytes,
                                  std::size_t size);

  // Sends `size` bytes as the payload of one Ethernet frame of type 0x0842
  // (Wake-on-LAN's) from the interface `index`'s own MAC to
  // ff:ff:ff:ff:ff:ff (Linux: a packet socket, which needs root or
  // CAP_NET_RAW; elsewhere the reason it cannot).
  std::optional<std::string> send_frame(unsigned index, const unsigned char *bytes,
                                        std::size_t size);

  // Opens the socket for frames ahead of the first frame, so that a
  // program that will send them can say at once that it cannot.
  std::optional<std::string> open_frames();

  // The local port of the socket that sends over IPv6 or IPv4; 0 before
  // its first datagram.
  [[nodiscard]] int local_port(bool ipv6);

private:
  std::optional<std::string> open(bool ipv6);

  std::intptr_t socket_ = -1;  // a descriptor, or a Winsock SOCKET
  std::intptr_t socket6_ = -1; // the same for IPv6
  int ports_[2] = {0, 0};      // their local ports, once read
#ifndef _WIN32
  int frame_socket_ = -1; // a packet socket, for -e
#endif
};

// Waits `ms` milliseconds.
void sleep_ms(int ms);

// Starts the socket layer for the run (Winsock; nothing to do elsewhere),
// or says why it cannot be.
std::optional<std::string> start_sockets();

// The system's text for the last failed socket call (strerror on POSIX,
// FormatMessage on Windows).
std::string last_socket_error();

} // namespace wol

#endif
