// The probe's system calls on Windows: a non-blocking connect, or
// IcmpSendEcho (Icmp6SendEcho2 for IPv6), which need no rights.
#include "probe.h"

#include "socket_address.h"
#include "socket_calls.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <icmpapi.h>

#include <array>
#include <cstring>
#include <string>

namespace wol::wake {
namespace {

constexpr std::size_t kReplySize = 256;
// ICMPV6_ECHO_REPLY: a packed IPV6_ADDRESS_EX (26 bytes), then the status.
constexpr std::size_t kIcmp6StatusAt = 26;

SOCKET as_socket(std::intptr_t value) { return static_cast<SOCKET>(value); }

// One echo request and its reply, waited for at most `ms`: the reply's
// status (IP_SUCCESS: the host answered), or IP_REQ_TIMED_OUT.
ULONG echo(HANDLE icmp, const Endpoint &host, int ms) {
  char request[] = "wol-wake";
  std::array<unsigned char, kReplySize> reply{};
  const auto timeout = static_cast<DWORD>(ms);
  if (host.ipv6) {
    sockaddr_in6 from{};
    from.sin6_family = AF_INET6;
    sockaddr_in6 to{};
    to.sin6_family = AF_INET6;
    std::memcpy(&to.sin6_addr, host.bytes.data(), sizeof to.sin6_addr);
    to.sin6_scope_id = host.scope;
    if (Icmp6SendEcho2(icmp, nullptr, nullptr, nullptr, &from, &to, request, sizeof request - 1,
                       nullptr, reply.data(), static_cast<DWORD>(reply.size()), timeout) == 0) {
      return GetLastError();
    }
    ULONG status = 0;
    std::memcpy(&status, reply.data() + kIcmp6StatusAt, sizeof status);
    return status;
  }
  IPAddr to = 0;
  std::memcpy(&to, host.bytes.data(), sizeof to);
  if (IcmpSendEcho(icmp, to, request, sizeof request - 1, nullptr, reply.data(),
                   static_cast<DWORD>(reply.size()), timeout) == 0) {
    return GetLastError();
  }
  ICMP_ECHO_REPLY answer{};
  std::memcpy(&answer, reply.data(), sizeof answer);
  return answer.Address == to ? answer.Status : IP_REQ_TIMED_OUT;
}

// Whether the connection that `s` started settled (was made or failed)
// within `ms`; `writable` then tells whether it was made.
bool connection_ended(SOCKET s, int ms, bool &writable) {
  fd_set can_write;
  fd_set failed;
  FD_ZERO(&can_write);
  FD_ZERO(&failed);
  FD_SET(s, &can_write);
  FD_SET(s, &failed);
  // select() takes a PTIMEVAL (timeval *const), which clang-tidy's
  // const-correctness check mistakes for a pointer to const.
  // NOLINTNEXTLINE(misc-const-correctness)
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  if (select(0, nullptr, &can_write, &failed, &wait) <= 0) {
    return false;
  }
  writable = FD_ISSET(s, &can_write) != 0;
  return true;
}

// Whether the connection that `s` started was made or refused within `ms`;
// `error` is then its outcome (0: made).
bool connection_settled(SOCKET s, int ms, int &error) {
  bool writable = false;
  if (!connection_ended(s, ms, writable)) {
    return false;
  }
  int size = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) != 0) {
    error = WSAGetLastError();
  } else if (error == 0 && !writable) {
    error = WSAECONNREFUSED; // failed, and said nothing more
  }
  return true;
}

} // namespace

Prober::~Prober() {
  drop();
  if (icmp_ != nullptr) {
    (void)IcmpCloseHandle(icmp_);
  }
}

std::optional<std::string> Prober::open() {
  if (port_ != 0) {
    return start_sockets();
  }
  HANDLE handle = host_.ipv6 ? Icmp6CreateFile() : IcmpCreateFile();
  if (handle == INVALID_HANDLE_VALUE) {
    return "cannot send ICMP echo requests (error " + std::to_string(GetLastError()) +
           "); give --up HOST:PORT to wait for a TCP port instead";
  }
  icmp_ = handle;
  return std::nullopt;
}

std::optional<std::string> Prober::ask() {
  if (port_ == 0) {
    return std::nullopt; // IcmpSendEcho asks and waits in one
  }
  const SOCKET s = socket(host_.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    return last_socket_error();
  }
  u_long non_blocking = 1;
  (void)ioctlsocket(s, FIONBIO, &non_blocking);
  const SocketAddress to = socket_address(host_, port_);
  if (connect(s, as_sockaddr(to), to.length) != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
    std::string why = last_socket_error();
    (void)closesocket(s);
    return why;
  }
  tcp_ = static_cast<std::intptr_t>(s);
  return std::nullopt;
}

Prober::Heard Prober::listen(int ms, std::string &failure) {
  if (port_ == 0) {
    const ULONG status = echo(icmp_, host_, ms);
    if (status == IP_SUCCESS) {
      return Heard::answer;
    }
    if (status == IP_REQ_TIMED_OUT) {
      return Heard::nothing;
    }
    failure = "ICMP status " + std::to_string(status);
    return Heard::failure;
  }
  int error = 0;
  if (!connection_settled(as_socket(tcp_), ms, error)) {
    return Heard::nothing;
  }
  if (error == 0) {
    return Heard::answer;
  }
  failure = reason(error);
  return Heard::failure;
}

void Prober::drop() {
  if (tcp_ != -1) {
    (void)closesocket(as_socket(tcp_));
    tcp_ = -1;
  }
}

} // namespace wol::wake
