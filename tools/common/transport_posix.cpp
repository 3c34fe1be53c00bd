// The transport on Linux and other POSIX systems.
#include "transport.h"

#include "socket_address.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#ifdef __linux__
#include <net/ethernet.h>
#include <netpacket/packet.h>
#endif
#include <initializer_list>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace wol {
namespace {

std::string reason(int error) { return std::strerror(error); }

constexpr std::uint16_t kWakeOnLanType = 0x0842;

// A socket that no program started by this one inherits.
int udp_socket(int family) {
#ifdef SOCK_CLOEXEC
  return ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
#else
  const int fd = ::socket(family, SOCK_DGRAM, IPPROTO_UDP);
  if (fd >= 0) {
    (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return fd;
#endif
}

} // namespace

std::optional<Endpoint> parse_ipv4(const std::string &text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) != 1) {
    return std::nullopt;
  }
  Endpoint endpoint;
  std::memcpy(endpoint.bytes.data(), &address, sizeof address);
  return endpoint;
}

std::optional<Endpoint> parse_address(const std::string &text) {
  Endpoint endpoint;
  if (::inet_pton(AF_INET, text.c_str(), endpoint.bytes.data()) == 1) {
    return endpoint;
  }
  endpoint.ipv6 = true;
  if (::inet_pton(AF_INET6, text.c_str(), endpoint.bytes.data()) == 1) {
    return endpoint;
  }
  return std::nullopt;
}

std::string address_text(const Endpoint &address) {
  char text[INET6_ADDRSTRLEN] = {};
  (void)::inet_ntop(address.ipv6 ? AF_INET6 : AF_INET, address.bytes.data(), text, sizeof text);
  return text;
}

Resolved resolve(const std::string &text) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo *found = nullptr;
  const int error = ::getaddrinfo(text.c_str(), nullptr, &hints, &found);
  if (error != 0) {
    return {std::nullopt, error == EAI_SYSTEM ? reason(errno) : ::gai_strerror(error)};
  }
  Resolved result;
  result.endpoint = first_endpoint(found);
  ::freeaddrinfo(found);
  if (!result.endpoint) {
    result.error = "no IPv4 or IPv6 address";
  }
  return result;
}

Transport::~Transport() {
  for (const std::intptr_t fd : {socket_, socket6_, std::intptr_t{frame_socket_}}) {
    if (fd >= 0) {
      (void)::close(static_cast<int>(fd));
    }
  }
}

std::optional<std::string> Transport::open_frames() {
#ifdef __linux__
  if (frame_socket_ < 0) {
    // SOCK_DGRAM: the kernel writes the Ethernet header, with the
    // interface's own MAC as the source.
    frame_socket_ = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(kWakeOnLanType));
    if (frame_socket_ < 0) {
      return "cannot open a raw Ethernet socket: " + reason(errno) +
             " (it needs root or CAP_NET_RAW)";
    }
  }
  return std::nullopt;
#else
  return "raw Ethernet frames are sent on Linux only";
#endif
}

std::optional<std::string> Transport::send_frame(unsigned index, const unsigned char *bytes,
                                                 std::size_t size) {
#ifdef __linux__
  if (auto failed = open_frames()) {
    return failed;
  }
  sockaddr_ll to{};
  to.sll_family = AF_PACKET;
  to.sll_protocol = htons(kWakeOnLanType);
  to.sll_ifindex = static_cast<int>(index);
  to.sll_halen = ETH_ALEN;
  std::memset(to.sll_addr, 0xFF, ETH_ALEN);
  ssize_t sent = -1;
  do {
    sent =
        ::sendto(frame_socket_, bytes, size, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    return reason(errno);
  }
  return std::nullopt;
#else
  (void)index;
  (void)bytes;
  (void)size;
  return "raw Ethernet frames are sent on Linux only";
#endif
}

std::optional<std::string> Transport::open(bool ipv6) {
  const int fd = udp_socket(ipv6 ? AF_INET6 : AF_INET);
  if (fd < 0) {
    return std::string(ipv6 ? "cannot open an IPv6 UDP socket: " : "cannot open a UDP socket: ") +
           reason(errno);
  }
  if (ipv6) {
    socket6_ = fd;
    return std::nullopt;
  }
  const int on = 1;
  if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    const int error = errno;
    (void)::close(fd);
    return "cannot enable broadcasting: " + reason(error);
  }
  socket_ = fd;
  return std::nullopt;
}

std::optional<std::string> Transport::send(const Endpoint &to, int port, const unsigned char *bytes,
                                           std::size_t size) {
  const std::intptr_t &fd = to.ipv6 ? socket6_ : socket_;
  if (fd < 0) {
    if (auto failed = open(to.ipv6)) {
      return failed;
    }
  }
  const SocketAddress destination = socket_address(to, port);
  ssize_t sent = -1;
  do {
    sent = ::sendto(static_cast<int>(fd), bytes, size, 0, as_sockaddr(destination),
                    static_cast<socklen_t>(destination.length));
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    return reason(errno);
  }
  if (static_cast<std::size_t>(sent) != size) {
    return "sent " + std::to_string(sent) + " of " + std::to_string(size) + " bytes";
  }
  return std::nullopt;
}

int Transport::local_port(bool ipv6) {
  if (ports_[ipv6 ? 1 : 0] != 0) {
    return ports_[ipv6 ? 1 : 0];
  }
  const std::intptr_t fd = ipv6 ? socket6_ : socket_;
  sockaddr_storage local{};
  socklen_t size = sizeof local;
  int port = 0;
  if (fd >= 0 &&
      ::getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr *>(&local), &size) == 0) {
    (void)endpoint_of(local, port);
    ports_[ipv6 ? 1 : 0] = port; // a bound socket keeps its port
  }
  return port;
}

std::optional<std::string> start_sockets() { return std::nullopt; }

std::string last_socket_error() { return reason(errno); }

void sleep_ms(int ms) {
  timespec left{};
  left.tv_sec = ms / 1000;
  left.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

} // namespace wol
