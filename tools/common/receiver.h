// What reaches this machine, for wol-listen and wol-relay: UDP datagrams on
// chosen ports over IPv4 and IPv6, each with its source, the address it was
// sent to (one of this machine's, or a broadcast or multicast group) and
// the interface it came in on; and, on Linux, raw Ethernet frames of
// Wake-on-LAN's type 0x0842 with their MACs. A wait ends at an arrival, at
// its timeout, or at a request from a signal (signals.h). One file per
// platform: receiver_posix.cpp, receiver_win32.cpp.
#ifndef WOL_COMMON_RECEIVER_H
#define WOL_COMMON_RECEIVER_H

#include "mac_forms.h"
#include "transport.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// What to listen on.
struct ListenSettings {
  std::vector<int> ports;          // UDP ports
  bool ipv4 = true;                // over IPv4...
  bool ipv6 = true;                // ... and IPv6 (where the system has it, unless asked alone)
  bool ipv6_asked = false;         // -6 alone: IPv6 must be there
  std::vector<Endpoint> addresses; // only these local addresses; empty: every one
  bool frames = false;             // raw frames of type 0x0842 (Linux)
  unsigned frame_interface = 0;    // ... on this interface only; 0: every one
};

// Why listening could not start, as a kind and the system's reason.
enum class ListenFault : std::uint8_t {
  port_in_use,      // another socket has the port
  port_needs_right, // a port below 1024 without root or CAP_NET_BIND_SERVICE
  frames_need_right,
  no_frames_here, // a system without raw frames
  address_not_here,
  no_ipv6,
  other
};
struct ListenFailure {
  ListenFault fault = ListenFault::other;
  std::string what;   // "UDP port 9", "raw Ethernet frames", "192.0.2.7"
  std::string reason; // the system's words
};

// The one-line message for a failure, with what to do about it; `program`
// names the program in the advice (setcap).
std::string failure_message(const ListenFailure &failure, std::string_view program);

// What is listened on, for a program's start-up line: "UDP ports 9 and 7
// over IPv4 and IPv6, and raw Ethernet frames of type 0x0842 on eth0".
std::string describe_listening(const ListenSettings &settings, bool ipv4, bool ipv6,
                               const std::string &frame_interface);

struct Arrival {
  bool frame = false; // a raw Ethernet frame, or else a UDP datagram
  std::vector<unsigned char> bytes;
  unsigned interface_index = 0; // 0: not known
  std::chrono::system_clock::time_point time;
  // A datagram's addresses and ports; the destination may be unknown.
  Endpoint source;
  int source_port = 0;
  std::optional<Endpoint> destination;
  int destination_port = 0;
  // A frame's MACs.
  MacBytes source_mac{};
  MacBytes destination_mac{};
  // Datagrams the system dropped for want of room before this one, on its
  // socket, since listening began (Linux; 0 elsewhere), and that socket.
  std::uint32_t dropped = 0;
  std::size_t socket = 0;
};

enum class Woken : std::uint8_t { arrival, timeout, request };

class Receiver {
public:
  Receiver() = default;
  ~Receiver();
  Receiver(const Receiver &) = delete;
  Receiver &operator=(const Receiver &) = delete;
  Receiver(Receiver &&) = delete;
  Receiver &operator=(Receiver &&) = delete;

  // Opens and binds every socket, or says why one cannot be.
  std::optional<ListenFailure> open(const ListenSettings &settings);

  // Waits at most `ms` milliseconds (-1: without a limit) for the next
  // arrival, which fills `out`, or for a signal's request.
  Woken wait(int ms, Arrival &out);

  // Whether a UDP socket of that family listens (IPv6 is left out where the
  // system has none, unless asked for alone).
  [[nodiscard]] bool listening(bool ipv6) const;

private:
  // The UDP sockets that the settings ask for, each port over each family, on
  // each of its addresses of that family or on every address.
  struct Planned {
    int port = 0;
    bool ipv6 = false;
    std::optional<Endpoint> address;
  };
  static std::vector<Planned> plan(const ListenSettings &settings);
  bool receive(std::size_t index, Arrival &out);

  struct Socket {
    std::intptr_t handle = -1; // a descriptor, or a Winsock SOCKET
    bool ipv6 = false;
    bool frames = false;
    int port = 0;
  };
  std::vector<Socket> sockets_;
  std::vector<unsigned char> buffer_;
#ifdef _WIN32
  std::vector<void *> events_;      // one WSAEVENT a socket
  void *receive_message_ = nullptr; // WSARecvMsg
#endif
};

} // namespace wol

#endif
