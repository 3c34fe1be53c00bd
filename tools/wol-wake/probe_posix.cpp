// The probe on Linux and other POSIX systems.
#include "probe.h"

#include "socket_address.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wol::wake {
namespace {

constexpr std::uint8_t kEchoRequest4 = 8;
constexpr std::uint8_t kEchoReply4 = 0;
constexpr std::uint8_t kEchoRequest6 = 128;
constexpr std::uint8_t kEchoReply6 = 129;
constexpr std::size_t kEchoSize = 16;

// Waits for `events` on `fd` for at most `ms`; false on a timeout.
bool ready(int fd, short events, int ms) {
  pollfd one{fd, events, 0};
  int result = 0;
  do {
    result = ::poll(&one, 1, ms);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

std::uint16_t checksum(const unsigned char *bytes, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    sum += static_cast<std::uint32_t>(bytes[i] << 8U | bytes[i + 1]);
  }
  if (size % 2 != 0) {
    sum += static_cast<std::uint32_t>(bytes[size - 1] << 8U);
  }
  while (sum >> 16U != 0) {
    sum = (sum & 0xFFFFU) + (sum >> 16U);
  }
  return static_cast<std::uint16_t>(~sum);
}

int milliseconds_since(std::chrono::steady_clock::time_point start) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count());
}

} // namespace

Prober::~Prober() {
  if (icmp_ >= 0) {
    (void)::close(icmp_);
  }
}

bool Prober::attempt(int ms, std::string &fatal) {
  return port_ != 0 ? connect_tcp(ms) : echo(ms, fatal);
}

bool Prober::connect_tcp(int ms) {
  const int fd = ::socket(host_.ipv6 ? AF_INET6 : AF_INET,
                          SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  if (fd < 0) {
    return false;
  }
  const SocketAddress to = socket_address(host_, port_);
  bool up = ::connect(fd, as_sockaddr(to), static_cast<socklen_t>(to.length)) == 0;
  if (!up && errno == EINPROGRESS && ready(fd, POLLOUT, ms)) {
    int error = 0;
    socklen_t size = sizeof error;
    up = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
  }
  (void)::close(fd);
  return up;
}

bool Prober::echo(int ms, std::string &fatal) {
  if (icmp_ < 0 && !open_icmp(fatal)) {
    return false;
  }
  const auto identifier = static_cast<std::uint16_t>(::getpid());
  ++sequence_;
  std::array<unsigned char, kEchoSize> request{};
  request[0] = host_.ipv6 ? kEchoRequest6 : kEchoRequest4;
  request[4] = static_cast<unsigned char>(identifier >> 8U);
  request[5] = static_cast<unsigned char>(identifier & 0xFFU);
  request[6] = static_cast<unsigned char>(sequence_ >> 8U);
  request[7] = static_cast<unsigned char>(sequence_ & 0xFFU);
  std::memcpy(request.data() + 8, "wol-wake", 8);
  if (!host_.ipv6) { // the kernel sums ICMPv6 itself
    const std::uint16_t sum = checksum(request.data(), request.size());
    request[2] = static_cast<unsigned char>(sum >> 8U);
    request[3] = static_cast<unsigned char>(sum & 0xFFU);
  }
  const SocketAddress to = socket_address(host_, 0);
  if (::sendto(icmp_, request.data(), request.size(), 0, as_sockaddr(to),
               static_cast<socklen_t>(to.length)) < 0) {
    return false; // no route yet, say: the next attempt asks again
  }
  const auto start = std::chrono::steady_clock::now();
  for (int left = ms; left > 0 && ready(icmp_, POLLIN, left);
       left = ms - milliseconds_since(start)) {
    if (is_reply(request.data())) {
      return true;
    }
  }
  return false;
}

bool Prober::open_icmp(std::string &fatal) {
  const int family = host_.ipv6 ? AF_INET6 : AF_INET;
  const int protocol =
      host_.ipv6 ? static_cast<int>(IPPROTO_ICMPV6) : static_cast<int>(IPPROTO_ICMP);
  int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
  const int datagram_error = errno;
  if (fd < 0) {
    fd = ::socket(family, SOCK_RAW | SOCK_CLOEXEC, protocol);
    raw_ = true;
  }
  if (fd < 0) {
    fatal = std::string("cannot send ICMP echo requests: ") + std::strerror(datagram_error) +
            " (net.ipv4.ping_group_range leaves this user out, and a raw socket needs root "
            "or CAP_NET_RAW); give --up HOST:PORT to wait for a TCP port instead";
    return false;
  }
  icmp_ = fd;
  return true;
}

// Reads one datagram: whether it is the reply to `request` from the host.
bool Prober::is_reply(const unsigned char *request) const {
  std::array<unsigned char, 1500> reply{};
  sockaddr_storage from{};
  socklen_t from_length = sizeof from;
  const ssize_t got = ::recvfrom(icmp_, reply.data(), reply.size(), 0,
                                 reinterpret_cast<sockaddr *>(&from), &from_length);
  std::size_t at = 0;
  if (raw_ && !host_.ipv6 && got > 0) { // a raw IPv4 socket gives the IP header too
    at = static_cast<std::size_t>(reply[0] & 0x0FU) * 4;
  }
  if (got <= 0 || static_cast<std::size_t>(got) < at + 8 ||
      reply[at] != (host_.ipv6 ? kEchoReply6 : kEchoReply4)) {
    return false;
  }
  // A datagram socket's replies are its own; a raw socket's carry our identifier.
  const bool ours = reply[at + 6] == request[6] && reply[at + 7] == request[7] &&
                    (!raw_ || (reply[at + 4] == request[4] && reply[at + 5] == request[5]));
  const SocketAddress expected = socket_address(host_, 0);
  const std::size_t address_at =
      host_.ipv6 ? offsetof(sockaddr_in6, sin6_addr) : offsetof(sockaddr_in, sin_addr);
  const std::size_t address_size = host_.ipv6 ? 16 : 4;
  return ours &&
         std::memcmp(reinterpret_cast<const unsigned char *>(&from) + address_at,
                     reinterpret_cast<const unsigned char *>(&expected.storage) + address_at,
                     address_size) == 0;
}

} // namespace wol::wake
