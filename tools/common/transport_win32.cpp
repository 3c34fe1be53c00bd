// The socket calls on Windows: Winsock 2, started once for the run.
#include "socket_calls.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace wol {
namespace {

// Windows' own texts for the errors a send or a probe meets most, for
// systems whose message table lacks them (Wine's).
const char *known_reason(DWORD error) {
  switch (error) {
  case WSAEACCES:
    return "An attempt was made to access a socket in a way forbidden by its access permissions";
  case WSAEADDRNOTAVAIL:
    return "The requested address is not valid in its context";
  case WSAENETDOWN:
    return "A socket operation encountered a dead network";
  case WSAENETUNREACH:
    return "A socket operation was attempted to an unreachable network";
  case WSAENOBUFS:
    return "An operation on a socket could not be performed because the system lacked "
           "sufficient buffer space or because a queue was full";
  case WSAEHOSTUNREACH:
    return "A socket operation was attempted to an unreachable host";
  case WSAECONNREFUSED:
    return "No connection could be made because the target machine actively refused it";
  case WSAETIMEDOUT:
    return "A connection attempt failed because the connected party did not properly respond "
           "after a period of time, or established connection failed because connected host has "
           "failed to respond";
  case WSAHOST_NOT_FOUND:
    return "No such host is known";
  case WSATRY_AGAIN:
    return "This is usually a temporary error during hostname resolution and means that the "
           "local server did not receive a response from an authoritative server";
  case WSANO_DATA:
    return "The requested name is valid, but no data of the requested type was found";
  default:
    return nullptr;
  }
}

SOCKET as_socket(SocketHandle handle) { return static_cast<SOCKET>(handle); }

// Winsock, started by the first socket or name and never shut down: the
// process ends soon after.
bool g_winsock_started = false;

} // namespace

std::optional<std::string> start_sockets() {
  if (!g_winsock_started) {
    WSADATA data;
    const int error = WSAStartup(MAKEWORD(2, 2), &data);
    if (error != 0) {
      return "cannot start Winsock: " + reason(error);
    }
    g_winsock_started = true;
  }
  return std::nullopt;
}

// Without the line end and full stop that FormatMessage puts after it.
std::string reason(int error) {
  char text[512];
  const auto code = static_cast<DWORD>(error);
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' ' || text[length - 1] == '.')) {
    --length;
  }
  if (length == 0) {
    const char *known = known_reason(code);
    return known != nullptr ? known : "error " + std::to_string(code);
  }
  return {text, length};
}

std::string resolver_reason(int result) { return reason(result); }

SocketHandle open_udp(bool ipv6, int &error) {
  const SOCKET s = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
    return kNoSocket;
  }
  return static_cast<SocketHandle>(s);
}

bool allow_broadcast(SocketHandle socket, int &error) {
  const BOOL on = TRUE;
  if (setsockopt(as_socket(socket), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&on),
                 sizeof on) != 0) {
    error = WSAGetLastError();
    return false;
  }
  return true;
}

bool bind_to_interface(SocketHandle socket, bool ipv6, unsigned index, int &error) {
  int result = 0;
  if (ipv6) {
    const DWORD value = index;
    result = setsockopt(as_socket(socket), IPPROTO_IPV6, IPV6_UNICAST_IF,
                        reinterpret_cast<const char *>(&value), sizeof value);
  } else {
    const DWORD value = htonl(static_cast<u_long>(index)); // IPv4's in network byte order
    result = setsockopt(as_socket(socket), IPPROTO_IP, IP_UNICAST_IF,
                        reinterpret_cast<const char *>(&value), sizeof value);
  }
  if (result != 0) {
    error = WSAGetLastError();
    return false;
  }
  return true;
}

long send_datagram(SocketHandle socket, const SocketAddress &to, const unsigned char *bytes,
                   std::size_t size, int &error) {
  const int sent = sendto(as_socket(socket), reinterpret_cast<const char *>(bytes),
                          static_cast<int>(size), 0, as_sockaddr(to), to.length);
  error = sent == SOCKET_ERROR ? WSAGetLastError() : 0;
  return sent == SOCKET_ERROR ? -1 : sent;
}

bool connect_datagram(SocketHandle socket, const SocketAddress &to, int &error) {
  if (connect(as_socket(socket), as_sockaddr(to), to.length) != 0) {
    error = WSAGetLastError();
    return false;
  }
  return true;
}

std::optional<SocketAddress> local_address(SocketHandle socket) {
  SocketAddress local;
  int size = sizeof local.storage;
  if (getsockname(as_socket(socket), reinterpret_cast<sockaddr *>(&local.storage), &size) != 0) {
    return std::nullopt;
  }
  local.length = size;
  return local;
}

void close_socket(SocketHandle socket) { (void)closesocket(as_socket(socket)); }

SocketHandle open_frame_socket(int &error, std::string &why) {
  error = 0;
  why = "raw Ethernet frames are sent on Linux only";
  return kNoSocket;
}

long send_frame(SocketHandle /*socket*/, unsigned /*index*/, const unsigned char * /*bytes*/,
                std::size_t /*size*/, int &error) {
  error = WSAEOPNOTSUPP;
  return -1;
}

void sleep_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }

std::string last_socket_error() { return reason(WSAGetLastError()); }

} // namespace wol
