// The transport on Windows: Winsock 2, started once for the run.
#include "transport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

namespace wol_wake {
namespace {

// Windows' own texts for the errors a send meets most, for systems whose
// message table lacks them (Wine's).
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
  default:
    return nullptr;
  }
}

// The system's text for a Winsock or Windows error code, without the line
// end and full stop that FormatMessage puts after it.
std::string reason(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' ' || text[length - 1] == '.')) {
    --length;
  }
  if (length == 0) {
    const char *known = known_reason(error);
    return known != nullptr ? known : "error " + std::to_string(error);
  }
  return {text, length};
}

std::string last_reason() { return reason(static_cast<DWORD>(WSAGetLastError())); }

SOCKET as_socket(std::intptr_t value) { return static_cast<SOCKET>(value); }

// Winsock, started by the first socket and never shut down: the process ends soon after.
bool g_winsock_started = false;

} // namespace

std::optional<Ipv4> parse_ipv4(const std::string &text) {
  IN_ADDR address{};
  if (InetPtonA(AF_INET, text.c_str(), &address) != 1) {
    return std::nullopt;
  }
  return Ipv4{address.s_addr};
}

Transport::~Transport() {
  if (socket_ != -1) {
    (void)closesocket(as_socket(socket_));
  }
}

std::optional<std::string> Transport::open() {
  if (!g_winsock_started) {
    WSADATA data;
    const int error = WSAStartup(MAKEWORD(2, 2), &data);
    if (error != 0) {
      return "cannot start Winsock: " + reason(static_cast<DWORD>(error));
    }
    g_winsock_started = true;
  }
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) {
    return "cannot open a UDP socket: " + last_reason();
  }
  const BOOL on = TRUE;
  if (setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&on), sizeof on) !=
      0) {
    std::string why = "cannot enable broadcasting: " + last_reason();
    (void)closesocket(s);
    return why;
  }
  socket_ = static_cast<std::intptr_t>(s);
  return std::nullopt;
}

std::optional<std::string> Transport::send(Ipv4 to, int port, const unsigned char *bytes,
                                           std::size_t size) {
  if (socket_ == -1) {
    if (auto failed = open()) {
      return failed;
    }
  }
  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_port = htons(static_cast<u_short>(port));
  destination.sin_addr.s_addr = to.network_order;
  const int sent =
      sendto(as_socket(socket_), reinterpret_cast<const char *>(bytes), static_cast<int>(size), 0,
             reinterpret_cast<const sockaddr *>(&destination), sizeof destination);
  if (sent == SOCKET_ERROR) {
    return last_reason();
  }
  if (static_cast<std::size_t>(sent) != size) {
    return "sent " + std::to_string(sent) + " of " + std::to_string(size) + " bytes";
  }
  return std::nullopt;
}

void sleep_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }

} // namespace wol_wake
