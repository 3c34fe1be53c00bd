// The probe's system calls on Linux and other POSIX systems.
#include "probe.h"

#include "socket_address.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wol::wake {
namespace {

int descriptor(std::intptr_t value) { return static_cast<int>(value); }

// Waits for `events` on `fd` for at most `ms`; false on a timeout.
bool ready(int fd, short events, int ms) {
  pollfd one{fd, events, 0};
  int result = 0;
  do {
    result = ::poll(&one, 1, ms);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

} // namespace

Prober::~Prober() {
  drop();
  if (icmp_ >= 0) {
    (void)::close(icmp_);
  }
}

std::optional<std::string> Prober::open() {
  if (port_ != 0) {
    return std::nullopt;
  }
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
    return std::string("cannot send ICMP echo requests: ") + std::strerror(datagram_error) +
           " (net.ipv4.ping_group_range leaves this user out, and a raw socket needs root "
           "or CAP_NET_RAW); give --up HOST:PORT to wait for a TCP port instead";
  }
  icmp_ = fd;
  identifier_ = static_cast<std::uint16_t>(::getpid());
  return std::nullopt;
}

std::optional<std::string> Prober::ask() {
  const SocketAddress to = socket_address(host_, port_);
  if (port_ != 0) {
    const int fd = ::socket(host_.ipv6 ? AF_INET6 : AF_INET,
                            SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) {
      return std::strerror(errno);
    }
    if (::connect(fd, as_sockaddr(to), static_cast<socklen_t>(to.length)) != 0 &&
        errno != EINPROGRESS) {
      const int error = errno;
      (void)::close(fd);
      return std::strerror(error);
    }
    tcp_ = fd;
    return std::nullopt;
  }
  const auto request = echo_request(host_.ipv6, identifier_, ++sequence_);
  if (::sendto(icmp_, request.data(), request.size(), 0, as_sockaddr(to),
               static_cast<socklen_t>(to.length)) < 0) {
    return std::strerror(errno);
  }
  return std::nullopt;
}

Prober::Heard Prober::listen(int ms, std::string &failure) {
  if (port_ != 0) {
    if (!ready(descriptor(tcp_), POLLOUT, ms)) {
      return Heard::nothing;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(descriptor(tcp_), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
      error = errno;
    }
    if (error == 0) {
      return Heard::answer;
    }
    failure = std::strerror(error);
    return Heard::failure;
  }
  const Clock::time_point stop = Clock::now() + milliseconds(ms);
  for (int left = ms; left >= 0 && ready(icmp_, POLLIN, left);
       left = static_cast<int>(
           std::chrono::duration_cast<milliseconds>(stop - Clock::now()).count())) {
    unsigned char reply[1500];
    sockaddr_storage from{};
    socklen_t from_length = sizeof from;
    const ssize_t got = ::recvfrom(icmp_, reply, sizeof reply, 0,
                                   reinterpret_cast<sockaddr *>(&from), &from_length);
    int port = 0;
    const std::optional<Endpoint> sender = endpoint_of(from, port);
    if (got > 0 && sender && same_address(*sender, host_) &&
        is_echo_reply(reply, static_cast<std::size_t>(got), host_.ipv6, raw_, identifier_,
                      first_sequence_, sequence_)) {
      return Heard::answer;
    }
  }
  return Heard::nothing;
}

void Prober::drop() {
  if (tcp_ >= 0) {
    (void)::close(descriptor(tcp_));
    tcp_ = -1;
  }
}

} // namespace wol::wake
