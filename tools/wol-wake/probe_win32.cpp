// The probe on Windows: a non-blocking connect, or IcmpSendEcho
// (Icmp6SendEcho2 for IPv6), which need no rights.
#include "probe.h"

#include "socket_address.h"

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

// Whether the connection that `s` started is made within `ms`.
bool connected(SOCKET s, int ms) {
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  // select() takes a PTIMEVAL (timeval *const), which clang-tidy's
  // const-correctness check mistakes for a pointer to const.
  // NOLINTNEXTLINE(misc-const-correctness)
  timeval wait{ms / 1000, (ms % 1000) * 1000};
  if (select(0, nullptr, &writable, &failed, &wait) <= 0 || FD_ISSET(s, &writable) == 0) {
    return false;
  }
  int error = 0;
  int size = sizeof error;
  return getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) == 0 &&
         error == 0;
}

} // namespace

Prober::~Prober() {
  if (icmp_ != nullptr) {
    (void)IcmpCloseHandle(icmp_);
  }
}

bool Prober::attempt(int ms, std::string &fatal) {
  return port_ != 0 ? connect_tcp(ms) : echo(ms, fatal);
}

bool Prober::connect_tcp(int ms) {
  const SOCKET s = socket(host_.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    return false;
  }
  u_long non_blocking = 1;
  (void)ioctlsocket(s, FIONBIO, &non_blocking);
  const SocketAddress to = socket_address(host_, port_);
  const bool up = connect(s, as_sockaddr(to), to.length) == 0 ||
                  (WSAGetLastError() == WSAEWOULDBLOCK && connected(s, ms));
  (void)closesocket(s);
  return up;
}

bool Prober::echo(int ms, std::string &fatal) {
  if (icmp_ == nullptr) {
    HANDLE handle = host_.ipv6 ? Icmp6CreateFile() : IcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE) {
      fatal = "cannot send ICMP echo requests (error " + std::to_string(GetLastError()) +
              "); give --up HOST:PORT to wait for a TCP port instead";
      return false;
    }
    icmp_ = handle;
  }
  char request[] = "wol-wake";
  std::array<unsigned char, kReplySize> reply{};
  const auto timeout = static_cast<DWORD>(ms);
  if (host_.ipv6) {
    sockaddr_in6 from{};
    from.sin6_family = AF_INET6;
    sockaddr_in6 to{};
    to.sin6_family = AF_INET6;
    std::memcpy(&to.sin6_addr, host_.bytes.data(), sizeof to.sin6_addr);
    to.sin6_scope_id = host_.scope;
    const DWORD count =
        Icmp6SendEcho2(icmp_, nullptr, nullptr, nullptr, &from, &to, request, sizeof request - 1,
                       nullptr, reply.data(), static_cast<DWORD>(reply.size()), timeout);
    ULONG status = 0;
    std::memcpy(&status, reply.data() + kIcmp6StatusAt, sizeof status);
    return count > 0 && status == IP_SUCCESS;
  }
  IPAddr to = 0;
  std::memcpy(&to, host_.bytes.data(), sizeof to);
  const DWORD count = IcmpSendEcho(icmp_, to, request, sizeof request - 1, nullptr, reply.data(),
                                   static_cast<DWORD>(reply.size()), timeout);
  ICMP_ECHO_REPLY answer{};
  std::memcpy(&answer, reply.data(), sizeof answer);
  return count > 0 && answer.Status == IP_SUCCESS && answer.Address == to;
}

} // namespace wol::wake
