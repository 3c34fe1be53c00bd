// The socket calls on Linux and other POSIX systems.
#include "socket_calls.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#ifdef __linux__
#include <net/ethernet.h>
#include <netpacket/packet.h>
#endif
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wol {
namespace {

#ifdef __linux__
constexpr std::uint16_t kWakeOnLanType = 0x0842;
#endif

int descriptor(SocketHandle socket) { return static_cast<int>(socket); }

// `fd` closed when this program starts another.
SocketHandle not_inherited(int fd, int &error) {
  if (fd < 0) {
    error = errno;
    return kNoSocket;
  }
#ifndef SOCK_CLOEXEC
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
#endif
  return fd;
}

} // namespace

std::optional<std::string> start_sockets() { return std::nullopt; }

std::string reason(int error) { return std::strerror(error); }

std::string resolver_reason(int result) {
  return result == EAI_SYSTEM ? reason(errno) : ::gai_strerror(result);
}

SocketHandle open_udp(bool ipv6, int &error) {
#ifdef SOCK_CLOEXEC
  const int type = SOCK_DGRAM | SOCK_CLOEXEC;
#else
  const int type = SOCK_DGRAM;
#endif
  return not_inherited(::socket(ipv6 ? AF_INET6 : AF_INET, type, IPPROTO_UDP), error);
}

bool allow_broadcast(SocketHandle socket, int &error) {
  const int on = 1;
  if (::setsockopt(descriptor(socket), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    error = errno;
    return false;
  }
  return true;
}

bool bind_to_interface(SocketHandle socket, bool /*ipv6*/, unsigned index, int &error) {
#ifdef SO_BINDTOIFINDEX
  const int value = static_cast<int>(index);
  if (::setsockopt(descriptor(socket), SOL_SOCKET, SO_BINDTOIFINDEX, &value, sizeof value) == 0) {
    return true;
  }
  error = errno;
  if (error != ENOPROTOOPT) {
    return false;
  }
  // Kernels before 5.0, and qemu-user, know the binding only by name.
#endif
#ifdef SO_BINDTODEVICE
  std::array<char, IF_NAMESIZE> name{};
  if (::if_indextoname(index, name.data()) == nullptr ||
      ::setsockopt(descriptor(socket), SOL_SOCKET, SO_BINDTODEVICE, name.data(),
                   static_cast<socklen_t>(std::strlen(name.data()))) != 0) {
    error = errno;
    return false;
  }
  return true;
#else
  (void)socket;
  (void)index;
  error = ENOPROTOOPT;
  return false;
#endif
}

long send_datagram(SocketHandle socket, const SocketAddress &to, const unsigned char *bytes,
                   std::size_t size, int &error) {
  ssize_t sent = -1;
  do {
    sent = ::sendto(descriptor(socket), bytes, size, 0, as_sockaddr(to),
                    static_cast<socklen_t>(to.length));
  } while (sent < 0 && errno == EINTR);
  error = sent < 0 ? errno : 0;
  return static_cast<long>(sent);
}

bool connect_datagram(SocketHandle socket, const SocketAddress &to, int &error) {
  if (::connect(descriptor(socket), as_sockaddr(to), static_cast<socklen_t>(to.length)) != 0) {
    error = errno;
    return false;
  }
  return true;
}

std::optional<SocketAddress> local_address(SocketHandle socket) {
  SocketAddress local;
  auto size = static_cast<socklen_t>(sizeof local.storage);
  if (::getsockname(descriptor(socket), reinterpret_cast<sockaddr *>(&local.storage), &size) != 0) {
    return std::nullopt;
  }
  local.length = static_cast<int>(size);
  return local;
}

void close_socket(SocketHandle socket) { (void)::close(descriptor(socket)); }

SocketHandle open_frame_socket(int &error, std::string &why) {
#ifdef __linux__
  (void)why;
  // SOCK_DGRAM: the kernel writes the Ethernet header, with the
  // interface's own MAC as the source.
  return not_inherited(::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(kWakeOnLanType)),
                       error);
#else
  error = 0;
  why = "raw Ethernet frames are sent on Linux only";
  return kNoSocket;
#endif
}

long send_frame(SocketHandle socket, unsigned index, const unsigned char *bytes, std::size_t size,
                int &error) {
#ifdef __linux__
  sockaddr_ll to{};
  to.sll_family = AF_PACKET;
  to.sll_protocol = htons(kWakeOnLanType);
  to.sll_ifindex = static_cast<int>(index);
  to.sll_halen = ETH_ALEN;
  std::memset(to.sll_addr, 0xFF, ETH_ALEN);
  ssize_t sent = -1;
  do {
    sent = ::sendto(descriptor(socket), bytes, size, 0, reinterpret_cast<const sockaddr *>(&to),
                    sizeof to);
  } while (sent < 0 && errno == EINTR);
  error = sent < 0 ? errno : 0;
  return static_cast<long>(sent);
#else
  (void)socket;
  (void)index;
  (void)bytes;
  (void)size;
  error = ENOTSUP;
  return -1;
#endif
}

void sleep_ms(int ms) {
  timespec left{};
  left.tv_sec = ms / 1000;
  left.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

std::string last_socket_error() { return reason(errno); }

} // namespace wol
