// The transport on Linux and other POSIX systems.
#include "transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace wol_wake {
namespace {

std::string reason(int error) { return std::strerror(error); }

// A socket that no program started by this one inherits.
int udp_socket() {
#ifdef SOCK_CLOEXEC
  return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
#else
  const int fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (fd >= 0) {
    (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return fd;
#endif
}

} // namespace

std::optional<Ipv4> parse_ipv4(const std::string &text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) != 1) {
    return std::nullopt;
  }
  return Ipv4{address.s_addr};
}

Transport::~Transport() {
  if (socket_ >= 0) {
    (void)::close(static_cast<int>(socket_));
  }
}

std::optional<std::string> Transport::open() {
  const int fd = udp_socket();
  if (fd < 0) {
    return "cannot open a UDP socket: " + reason(errno);
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

std::optional<std::string> Transport::send(Ipv4 to, int port, const unsigned char *bytes,
                                           std::size_t size) {
  if (socket_ < 0) {
    if (auto failed = open()) {
      return failed;
    }
  }
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(static_cast<std::uint16_t>(port));
  destination.sin_addr.s_addr = to.network_order;
  ssize_t sent = -1;
  do {
    sent = ::sendto(static_cast<int>(socket_), bytes, size, 0,
                    reinterpret_cast<const sockaddr *>(&destination), sizeof destination);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    return reason(errno);
  }
  if (static_cast<std::size_t>(sent) != size) {
    return "sent " + std::to_string(sent) + " of " + std::to_string(size) + " bytes";
  }
  return std::nullopt;
}

void sleep_ms(int ms) {
  timespec left{};
  left.tv_sec = ms / 1000;
  left.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

} // namespace wol_wake
