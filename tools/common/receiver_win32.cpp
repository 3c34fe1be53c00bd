// The receiver on Windows: Winsock 2 UDP sockets that report each
// datagram's destination (IP_PKTINFO, IPV6_PKTINFO through WSARecvMsg),
// each with an event (WSAEventSelect), waited on with the signals' event.
// Windows gives raw Ethernet frames to no program without a capture driver
// (Npcap), so frames are refused before this is reached.
#include "receiver.h"

#include "signals.h"
#include "socket_address.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mswsock.h>

#include <algorithm>
#include <cstring>

namespace wol {
namespace {

constexpr std::size_t kLargestDatagram = 65536;
constexpr int kReceiveBuffer = 1 << 20; // room for a burst; the system may give less

std::string port_text(int port, bool ipv6) {
  return "UDP port " + std::to_string(port) + (ipv6 ? " (IPv6)" : "");
}

SOCKET as_socket(std::intptr_t value) { return static_cast<SOCKET>(value); }

std::optional<ListenFailure> open_udp(int port, bool ipv6, const Endpoint *address, SOCKET &s) {
  s = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) {
    const int error = WSAGetLastError();
    return ListenFailure{error == WSAEAFNOSUPPORT ? ListenFault::no_ipv6 : ListenFault::other,
                         port_text(port, ipv6), last_socket_error()};
  }
  const DWORD on = 1;
  const auto *option = reinterpret_cast<const char *>(&on);
  if (ipv6) {
    (void)setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, option, sizeof on);
    (void)setsockopt(s, IPPROTO_IPV6, IPV6_PKTINFO, option, sizeof on);
  } else {
    (void)setsockopt(s, IPPROTO_IP, IP_PKTINFO, option, sizeof on);
  }
  (void)setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&kReceiveBuffer),
                   sizeof kReceiveBuffer);
  Endpoint any;
  any.ipv6 = ipv6;
  const SocketAddress local = socket_address(address != nullptr ? *address : any, port);
  if (bind(s, as_sockaddr(local), local.length) != 0) {
    const int error = WSAGetLastError();
    const std::string reason = last_socket_error();
    if (error == WSAEADDRNOTAVAIL && address != nullptr) {
      return ListenFailure{ListenFault::address_not_here, address_text(*address), reason};
    }
    return ListenFailure{error == WSAEADDRINUSE ? ListenFault::port_in_use : ListenFault::other,
                         port_text(port, ipv6), reason};
  }
  return std::nullopt;
}

void read_control(WSAMSG &message, Arrival &out) {
  for (WSACMSGHDR *control = WSA_CMSG_FIRSTHDR(&message); control != nullptr;
       control = WSA_CMSG_NXTHDR(&message, control)) {
    if (control->cmsg_level == IPPROTO_IP && control->cmsg_type == IP_PKTINFO) {
      IN_PKTINFO info{};
      std::memcpy(&info, WSA_CMSG_DATA(control), sizeof info);
      Endpoint to;
      std::memcpy(to.bytes.data(), &info.ipi_addr, sizeof info.ipi_addr);
      out.destination = to;
      out.interface_index = info.ipi_ifindex;
    } else if (control->cmsg_level == IPPROTO_IPV6 && control->cmsg_type == IPV6_PKTINFO) {
      IN6_PKTINFO info{};
      std::memcpy(&info, WSA_CMSG_DATA(control), sizeof info);
      Endpoint to;
      to.ipv6 = true;
      std::memcpy(to.bytes.data(), &info.ipi6_addr, sizeof info.ipi6_addr);
      out.destination = to;
      out.interface_index = info.ipi6_ifindex;
    }
  }
}

} // namespace

Receiver::~Receiver() {
  for (const Socket &each : sockets_) {
    (void)closesocket(as_socket(each.handle));
  }
  for (void *event : events_) {
    (void)WSACloseEvent(event);
  }
}

std::optional<ListenFailure> Receiver::open(const ListenSettings &settings) {
  if (auto failed = start_sockets()) {
    return ListenFailure{ListenFault::other, "Winsock", *failed};
  }
  if (settings.frames) {
    return ListenFailure{ListenFault::no_frames_here, "raw Ethernet frames",
                         "Windows gives them to no program without a capture driver"};
  }
  buffer_.resize(kLargestDatagram);
  for (const Planned &each : plan(settings)) {
    auto s = INVALID_SOCKET;
    std::optional<ListenFailure> failed =
        open_udp(each.port, each.ipv6, each.address ? &*each.address : nullptr, s);
    if (failed && failed->fault == ListenFault::no_ipv6 && !settings.ipv6_asked) {
      continue; // a system without IPv6 listens over IPv4
    }
    if (failed) {
      if (s != INVALID_SOCKET) {
        (void)closesocket(s);
      }
      return failed;
    }
    sockets_.push_back({static_cast<std::intptr_t>(s), each.ipv6, false, each.port});
    WSAEVENT event = WSACreateEvent();
    events_.push_back(event);
    (void)WSAEventSelect(s, event, FD_READ);
  }
  if (!sockets_.empty()) {
    GUID guid = WSAID_WSARECVMSG;
    DWORD size = 0;
    LPFN_WSARECVMSG function = nullptr;
    if (WSAIoctl(as_socket(sockets_.front().handle), SIO_GET_EXTENSION_FUNCTION_POINTER, &guid,
                 sizeof guid, static_cast<void *>(&function), sizeof function, &size, nullptr,
                 nullptr) != 0) {
      return ListenFailure{ListenFault::other, "WSARecvMsg", last_socket_error()};
    }
    receive_message_ = reinterpret_cast<void *>(function);
  }
  return std::nullopt;
}

Woken Receiver::wait(int ms, Arrival &out) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  std::vector<HANDLE> handles(events_.begin(), events_.end());
  const std::intptr_t requests = request_handle();
  if (requests != -1) {
    // The signals' event, a HANDLE that the portable interface keeps as an
    // integer (a descriptor elsewhere).
    handles.push_back(reinterpret_cast<HANDLE>(requests)); // NOLINT(performance-no-int-to-ptr)
  }
  for (DWORD left = ms < 0 ? INFINITE : static_cast<DWORD>(ms);;) {
    const DWORD woken =
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, left);
    if (woken == WAIT_TIMEOUT || woken == WAIT_FAILED) {
      return Woken::timeout;
    }
    const DWORD index = woken - WAIT_OBJECT_0;
    if (requests != -1 && index == handles.size() - 1) {
      return Woken::request; // its request is for the caller to take
    }
    if (index < sockets_.size()) {
      (void)WSAResetEvent(events_[index]);
      if (receive(index, out)) {
        return Woken::arrival;
      }
    }
    if (ms >= 0) {
      const auto rest =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = static_cast<DWORD>(std::max<long long>(0, rest));
    }
  }
}

bool Receiver::receive(std::size_t index, Arrival &out) {
  const Socket &socket = sockets_[index];
  out = Arrival{};
  sockaddr_storage from{};
  WSABUF part{static_cast<ULONG>(buffer_.size()), reinterpret_cast<char *>(buffer_.data())};
  alignas(WSACMSGHDR) char control[256];
  WSAMSG message{};
  message.name = reinterpret_cast<sockaddr *>(&from);
  message.namelen = sizeof from;
  message.lpBuffers = &part;
  message.dwBufferCount = 1;
  message.Control.buf = control;
  message.Control.len = sizeof control;
  DWORD got = 0;
  const auto receive_message = reinterpret_cast<LPFN_WSARECVMSG>(receive_message_);
  if (receive_message(as_socket(socket.handle), &message, &got, nullptr, nullptr) != 0) {
    return false; // nothing waits (WSAEWOULDBLOCK), or a datagram too large
  }
  out.time = std::chrono::system_clock::now();
  out.bytes.assign(buffer_.data(), buffer_.data() + got);
  int port = 0;
  if (const std::optional<Endpoint> source = endpoint_of(from, port)) {
    out.source = *source;
    out.source_port = port;
  }
  out.destination_port = socket.port;
  out.socket = index;
  read_control(message, out);
  return true;
}

} // namespace wol
