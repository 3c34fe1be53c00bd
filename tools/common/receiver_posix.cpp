// The receiver on Linux and other POSIX systems: UDP sockets that report
// each datagram's destination (IP_PKTINFO, IPV6_RECVPKTINFO) and the
// drops before it (SO_RXQ_OVFL), a packet socket for raw frames on Linux,
// and poll() over them and the signals' pipe.
#include "receiver.h"

#include "signals.h"
#include "socket_address.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#ifdef __linux__
#include <net/ethernet.h>
#include <netpacket/packet.h>
#endif
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wol {
namespace {

constexpr std::size_t kLargestDatagram = 65536;
constexpr int kReceiveBuffer = 1 << 20; // room for a burst; the system may give less
constexpr std::uint16_t kWakeOnLanType = 0x0842;
constexpr std::size_t kEthernetHeader = 14;

ListenFailure failure(ListenFault fault, std::string what, int error) {
  return {fault, std::move(what), std::strerror(error)};
}

std::string port_text(int port, bool ipv6) {
  return "UDP port " + std::to_string(port) + (ipv6 ? " (IPv6)" : "");
}

// A UDP socket bound to `port` on `address` (none: every address), that
// reports destinations; or the failure.
std::optional<ListenFailure> open_udp(int port, bool ipv6, const Endpoint *address, int &fd) {
  fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) {
    const int error = errno;
    return failure(error == EAFNOSUPPORT ? ListenFault::no_ipv6 : ListenFault::other,
                   port_text(port, ipv6), error);
  }
  const int on = 1;
  if (ipv6) {
    (void)::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    (void)::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof on);
  } else {
    (void)::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  }
#ifdef SO_RXQ_OVFL
  (void)::setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
#endif
  (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
  Endpoint any;
  any.ipv6 = ipv6;
  const SocketAddress local = socket_address(address != nullptr ? *address : any, port);
  if (::bind(fd, as_sockaddr(local), static_cast<socklen_t>(local.length)) != 0) {
    const int error = errno;
    ListenFault fault = ListenFault::other;
    if (error == EADDRINUSE) {
      fault = ListenFault::port_in_use;
    } else if (error == EACCES && port < 1024) {
      fault = ListenFault::port_needs_right;
    } else if (error == EADDRNOTAVAIL && address != nullptr) {
      return failure(ListenFault::address_not_here, address_text(*address), error);
    }
    return failure(fault, port_text(port, ipv6), error);
  }
  return std::nullopt;
}

// The destination and interface of a datagram, from its control messages.
void read_control(msghdr &message, Arrival &out) {
  for (cmsghdr *control = CMSG_FIRSTHDR(&message); control != nullptr;
       control = CMSG_NXTHDR(&message, control)) {
    if (control->cmsg_level == IPPROTO_IP && control->cmsg_type == IP_PKTINFO) {
      in_pktinfo info{};
      std::memcpy(&info, CMSG_DATA(control), sizeof info);
      Endpoint to;
      std::memcpy(to.bytes.data(), &info.ipi_addr, sizeof info.ipi_addr);
      out.destination = to;
      out.interface_index = static_cast<unsigned>(info.ipi_ifindex);
    } else if (control->cmsg_level == IPPROTO_IPV6 && control->cmsg_type == IPV6_PKTINFO) {
      in6_pktinfo info{};
      std::memcpy(&info, CMSG_DATA(control), sizeof info);
      Endpoint to;
      to.ipv6 = true;
      std::memcpy(to.bytes.data(), &info.ipi6_addr, sizeof info.ipi6_addr);
      out.destination = to;
      out.interface_index = info.ipi6_ifindex;
#ifdef SO_RXQ_OVFL
    } else if (control->cmsg_level == SOL_SOCKET && control->cmsg_type == SO_RXQ_OVFL) {
      std::memcpy(&out.dropped, CMSG_DATA(control), sizeof out.dropped);
#endif
    }
  }
}

} // namespace

Receiver::~Receiver() {
  for (const Socket &each : sockets_) {
    (void)::close(static_cast<int>(each.handle));
  }
}

std::optional<ListenFailure> Receiver::open(const ListenSettings &settings) {
  buffer_.resize(kLargestDatagram);
  for (const Planned &each : plan(settings)) {
    int fd = -1;
    std::optional<ListenFailure> failed =
        open_udp(each.port, each.ipv6, each.address ? &*each.address : nullptr, fd);
    if (failed && failed->fault == ListenFault::no_ipv6 && !settings.ipv6_asked) {
      continue; // a system without IPv6 listens over IPv4
    }
    if (failed) {
      if (fd >= 0) {
        (void)::close(fd);
      }
      return failed;
    }
    sockets_.push_back({fd, each.ipv6, false, each.port});
  }
  if (!settings.frames) {
    return std::nullopt;
  }
#ifdef __linux__
  const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(kWakeOnLanType));
  if (fd < 0) {
    const int error = errno;
    return failure(error == EPERM || error == EACCES ? ListenFault::frames_need_right
                                                     : ListenFault::other,
                   "raw Ethernet frames", error);
  }
  sockets_.push_back({fd, false, true, 0});
  if (settings.frame_interface != 0) {
    sockaddr_ll local{};
    local.sll_family = AF_PACKET;
    local.sll_protocol = htons(kWakeOnLanType);
    local.sll_ifindex = static_cast<int>(settings.frame_interface);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
      return failure(ListenFault::other, "raw Ethernet frames", errno);
    }
  }
  return std::nullopt;
#else
  return ListenFailure{ListenFault::no_frames_here, "raw Ethernet frames",
                       "this system gives them to no program"};
#endif
}

Woken Receiver::wait(int ms, Arrival &out) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  std::vector<pollfd> watched;
  watched.reserve(sockets_.size() + 1);
  for (const Socket &each : sockets_) {
    watched.push_back({static_cast<int>(each.handle), POLLIN, 0});
  }
  const auto requests = static_cast<int>(request_handle());
  if (requests >= 0) {
    watched.push_back({requests, POLLIN, 0});
  }
  // Until something arrives that is for the caller (a frame this machine
  // sent itself is not), the time runs out, or a signal asks.
  for (int left = ms;;) {
    const int ready = ::poll(watched.data(), watched.size(), left);
    if (ready < 0 && errno != EINTR) {
      return Woken::timeout;
    }
    if (requests >= 0 && (ready < 0 || (watched.back().revents & POLLIN) != 0)) {
      return Woken::request; // its request is for the caller to take
    }
    for (std::size_t i = 0; ready > 0 && i < sockets_.size(); ++i) {
      if ((watched[i].revents & POLLIN) != 0 && receive(i, out)) {
        return Woken::arrival;
      }
    }
    if (ms >= 0) {
      left = static_cast<int>(std::max<long long>(
          0,
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
      if (left == 0 && ready == 0) {
        return Woken::timeout;
      }
    }
  }
}

bool Receiver::receive(std::size_t index, Arrival &out) {
  const Socket &socket = sockets_[index];
  out = Arrival{};
  sockaddr_storage from{};
  iovec part{buffer_.data(), buffer_.size()};
  alignas(cmsghdr) unsigned char control[256];
  msghdr message{};
  message.msg_name = &from;
  message.msg_namelen = sizeof from;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t got = -1;
  do {
    got = ::recvmsg(static_cast<int>(socket.handle), &message, MSG_DONTWAIT);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    return false;
  }
  out.time = std::chrono::system_clock::now();
  const auto size = static_cast<std::size_t>(got);
  if (!socket.frames) {
    out.bytes.assign(buffer_.data(), buffer_.data() + size);
    int port = 0;
    if (const std::optional<Endpoint> source = endpoint_of(from, port)) {
      out.source = *source;
      out.source_port = port;
    }
    out.destination_port = socket.port;
    out.socket = index;
    read_control(message, out);
    return true;
  }
#ifdef __linux__
  sockaddr_ll link{};
  std::memcpy(&link, &from, sizeof link);
  // What this machine sent itself did not reach it; nor did a frame too
  // short for its header.
  if (link.sll_pkttype == PACKET_OUTGOING || size < kEthernetHeader) {
    return false;
  }
  out.frame = true;
  out.interface_index = static_cast<unsigned>(link.sll_ifindex);
  std::memcpy(out.destination_mac.data(), buffer_.data(), out.destination_mac.size());
  std::memcpy(out.source_mac.data(), buffer_.data() + 6, out.source_mac.size());
  out.bytes.assign(buffer_.data() + kEthernetHeader, buffer_.data() + size);
  return true;
#else
  return false;
#endif
}

} // namespace wol
