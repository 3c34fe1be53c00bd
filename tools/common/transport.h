// The tools' own transport: the library builds each packet, and wol-wake
// and wol-relay send it here, to a Destination (destinations.h): a UDP
// datagram through one socket per address family and interface, kept for
// the whole run (the library's wol_send opens one per datagram, and can
// name no reason for a failure), or a raw Ethernet frame. Every failure
// carries the system's reason. The logic is here once; the system calls
// are socket_calls.h's, one file per platform.
#ifndef WOL_COMMON_TRANSPORT_H
#define WOL_COMMON_TRANSPORT_H

#include "destinations.h"
#include "socket_calls.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace wol {

class Transport {
public:
  Transport() = default;
  ~Transport();
  Transport(const Transport &) = delete;
  Transport &operator=(const Transport &) = delete;
  Transport(Transport &&) = delete;
  Transport &operator=(Transport &&) = delete;

  // Sends `size` bytes to `to`: one datagram (out of its interface alone,
  // when it names one), or the payload of one Ethernet frame of type 0x0842
  // (Wake-on-LAN's) from the interface's own MAC to ff:ff:ff:ff:ff:ff.
  // Returns nothing when the whole of it went, or else the system's reason.
  std::optional<std::string> send(const Destination &to, const unsigned char *bytes,
                                  std::size_t size);

  // Opens the socket for frames ahead of the first frame, so that a
  // program that will send them can say at once that it cannot.
  std::optional<std::string> open_frames();

  // Whether `port` is the local port of one of its sockets of that family:
  // a datagram from it came from this program.
  bool sends_from(bool ipv6, int port);

  // The source address the system chooses for a datagram to `to` (out of
  // its interface, when it names one), found without sending anything; or
  // nothing, with the system's reason in `error`.
  static std::optional<Endpoint> source_for(const Destination &to, std::string &error);

private:
  struct Socket {
    bool ipv6 = false;
    unsigned interface_index = 0; // 0: routed by the system
    SocketHandle handle = kNoSocket;
    int port = 0; // its local port, once known
  };

  std::optional<std::string> socket_for(const Destination &to, SocketHandle &out);

  std::vector<Socket> sockets_;
  SocketHandle frames_ = kNoSocket;
};

} // namespace wol

#endif
