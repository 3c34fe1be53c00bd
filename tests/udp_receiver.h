// A UDP socket bound to 127.0.0.1 that tests read datagrams from, on
// Windows and POSIX alike.
#ifndef TARNWICK_WOL_TESTS_UDP_RECEIVER_H
#define TARNWICK_WOL_TESTS_UDP_RECEIVER_H

#include <cstdint>
#include <string>
#include <vector>

class udp_receiver {
public:
  // Binds 127.0.0.1:`port`; 0 picks a free port.
  explicit udp_receiver(std::uint16_t port = 0);
  ~udp_receiver();
  udp_receiver(const udp_receiver &) = delete;
  udp_receiver &operator=(const udp_receiver &) = delete;

  // Empty when bound; otherwise why binding failed.
  const std::string &error() const { return error_; }
  std::uint16_t port() const { return port_; }

  // The next datagram, waiting at most `timeout_ms`; empty if none came.
  std::vector<unsigned char> receive(int timeout_ms = 2000);

  // Whether any datagram is waiting right now.
  bool pending();

private:
  std::uintptr_t socket_;
  std::uint16_t port_ = 0;
  std::string error_;
};

#endif
