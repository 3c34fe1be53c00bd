// The transport on Windows: Winsock 2, started once for the run.
#include "transport.h"

#include "socket_address.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <initializer_list>
#include <string>

namespace wol {
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

// Winsock, started by the first socket or name and never shut down: the
// process ends soon after.
bool g_winsock_started = false;

} // namespace

std::optional<std::string> start_sockets() {
  if (!g_winsock_started) {
    WSADATA data;
    const int error = WSAStartup(MAKEWORD(2, 2), &data);
    if (error != 0) {
      return "cannot start Winsock: " + reason(static_cast<DWORD>(error));
    }
    g_winsock_started = true;
  }
  return std::nullopt;
}

std::string last_socket_error() { return last_reason(); }

std::optional<Endpoint> parse_ipv4(const std::string &text) {
  IN_ADDR address{};
  if (InetPtonA(AF_INET, text.c_str(), &address) != 1) {
    return std::nullopt;
  }
  Endpoint endpoint;
  std::memcpy(endpoint.bytes.data(), &address, sizeof address);
  return endpoint;
}

std::optional<Endpoint> parse_address(const std::string &text) {
  Endpoint endpoint;
  if (InetPtonA(AF_INET, text.c_str(), endpoint.bytes.data()) == 1) {
    return endpoint;
  }
  endpoint.ipv6 = true;
  if (InetPtonA(AF_INET6, text.c_str(), endpoint.bytes.data()) == 1) {
    return endpoint;
  }
  return std::nullopt;
}

std::string address_text(const Endpoint &address) {
  char text[INET6_ADDRSTRLEN] = {};
  (void)InetNtopA(address.ipv6 ? AF_INET6 : AF_INET, address.bytes.data(), text, sizeof text);
  return text;
}

Resolved resolve(const std::string &text) {
  if (auto failed = start_sockets()) {
    return {std::nullopt, *failed};
  }
  ADDRINFOA hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  ADDRINFOA *found = nullptr;
  const int error = getaddrinfo(text.c_str(), nullptr, &hints, &found);
  if (error != 0) {
    return {std::nullopt, reason(static_cast<DWORD>(error))};
  }
  Resolved result;
  result.endpoint = first_endpoint(found);
  freeaddrinfo(found);
  if (!result.endpoint) {
    result.error = "no IPv4 or IPv6 address";
  }
  return result;
}

Transport::~Transport() {
  for (const std::intptr_t s : {socket_, socket6_}) {
    if (s != -1) {
      (void)closesocket(as_socket(s));
    }
  }
}

std::optional<std::string> Transport::open(bool ipv6) {
  if (auto failed = start_sockets()) {
    return failed;
  }
  const SOCKET s = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) {
    return std::string(ipv6 ? "cannot open an IPv6 UDP socket: " : "cannot open a UDP socket: ") +
           last_reason();
  }
  if (ipv6) {
    socket6_ = static_cast<std::intptr_t>(s);
    return std::nullopt;
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

std::optional<std::string> Transport::send(const Endpoint &to, int port, const unsigned char *bytes,
                                           std::size_t size) {
  const std::intptr_t &s = to.ipv6 ? socket6_ : socket_;
  if (s == -1) {
    if (auto failed = open(to.ipv6)) {
      return failed;
    }
  }
  const SocketAddress destination = socket_address(to, port);
  const int sent = sendto(as_socket(s), reinterpret_cast<const char *>(bytes),
                          static_cast<int>(size), 0, as_sockaddr(destination), destination.length);
  if (sent == SOCKET_ERROR) {
    return last_reason();
  }
  if (static_cast<std::size_t>(sent) != size) {
    return "sent " + std::to_string(sent) + " of " + std::to_string(size) + " bytes";
  }
  return std::nullopt;
}

// Members, as on Linux where they keep a packet socket.
std::optional<std::string>
Transport::open_frames() { // NOLINT(readability-convert-member-functions-to-static)
  return "raw Ethernet frames are sent on Linux only";
}

std::optional<std::string>
Transport::send_frame( // NOLINT(readability-convert-member-functions-to-static)
    unsigned /*index*/, const unsigned char * /*bytes*/, std::size_t /*size*/) {
  return "raw Ethernet frames are sent on Linux only";
}

int Transport::local_port(bool ipv6) {
  if (ports_[ipv6 ? 1 : 0] != 0) {
    return ports_[ipv6 ? 1 : 0];
  }
  const std::intptr_t s = ipv6 ? socket6_ : socket_;
  sockaddr_storage local{};
  int size = sizeof local;
  int port = 0;
  if (s != -1 && getsockname(as_socket(s), reinterpret_cast<sockaddr *>(&local), &size) == 0) {
    (void)endpoint_of(local, port);
    ports_[ipv6 ? 1 : 0] = port; // a bound socket keeps its port
  }
  return port;
}

void sleep_ms(int ms) { Sleep(static_cast<DWORD>(ms)); }

} // namespace wol
