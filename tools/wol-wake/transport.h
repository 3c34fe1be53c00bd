// wol-wake's own UDP transport: the library builds each packet, and the
// tool sends it here, through one IPv4 socket with broadcasting enabled
// that is kept for the whole run (the library's wol_send opens one per
// datagram, and can name no reason for a failure). Every failure carries
// the system's reason: strerror on POSIX, FormatMessage on Windows.
// One file per platform: transport_posix.cpp, transport_win32.cpp.
#ifndef WOL_WAKE_TRANSPORT_H
#define WOL_WAKE_TRANSPORT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wol_wake {

// An IPv4 address, in network byte order.
struct Ipv4 {
  std::uint32_t network_order = 0;
};

// The address for a dotted quad, as the platform's inet_pton reads it.
std::optional<Ipv4> parse_ipv4(const std::string &text);

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
  std::optional<std::string> send(Ipv4 to, int port, const unsigned char *bytes, std::size_t size);

private:
  std::optional<std::string> open();

  std::intptr_t socket_ = -1; // a descriptor, or a Winsock SOCKET
};

// Waits `ms` milliseconds.
void sleep_ms(int ms);

} // namespace wol_wake

#endif
