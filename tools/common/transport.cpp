#include "transport.h"

namespace wol {
namespace {

// Whether `to`'s IPv6 scope already names the interface it leaves by (a
// link-local or multicast address): the system sends it out of that one,
// and needs no option for it (Wine has none for IPv6).
bool scope_decides(const Destination &to) {
  return to.address.ipv6 && to.address.scope == to.interface_index;
}

// Opens a datagram socket for `to`'s family that can broadcast and sends
// out of `to`'s interface alone when it names one; kNoSocket with the
// reason in `why`.
SocketHandle open_for(const Destination &to, std::string &why) {
  if (std::optional<std::string> failed = start_sockets()) {
    why = std::move(*failed);
    return kNoSocket;
  }
  const bool ipv6 = to.address.ipv6;
  int error = 0;
  const SocketHandle handle = open_udp(ipv6, error);
  if (handle == kNoSocket) {
    why = std::string(ipv6 ? "cannot open an IPv6 UDP socket: " : "cannot open a UDP socket: ") +
          reason(error);
    return kNoSocket;
  }
  if (!ipv6 && !allow_broadcast(handle, error)) {
    why = "cannot enable broadcasting: " + reason(error);
  } else if (to.interface_index != 0 && !scope_decides(to) &&
             !bind_to_interface(handle, ipv6, to.interface_index, error)) {
    why = "cannot send out of " + to.interface_name + " alone: " + reason(error);
  } else {
    return handle;
  }
  close_socket(handle);
  return kNoSocket;
}

} // namespace

Transport::~Transport() {
  for (const Socket &each : sockets_) {
    close_socket(each.handle);
  }
  if (frames_ != kNoSocket) {
    close_socket(frames_);
  }
}

std::optional<std::string> Transport::open_frames() {
  if (frames_ == kNoSocket) {
    int error = 0;
    std::string why;
    frames_ = open_frame_socket(error, why);
    if (frames_ == kNoSocket) {
      return why.empty() ? "cannot open a raw Ethernet socket: " + reason(error) +
                               " (it needs root or CAP_NET_RAW)"
                         : why;
    }
  }
  return std::nullopt;
}

std::optional<std::string> Transport::socket_for(const Destination &to, SocketHandle &out) {
  for (const Socket &each : sockets_) {
    if (each.ipv6 == to.address.ipv6 && each.interface_index == to.interface_index) {
      out = each.handle;
      return std::nullopt;
    }
  }
  std::string why;
  out = open_for(to, why);
  if (out == kNoSocket) {
    return why;
  }
  sockets_.push_back({to.address.ipv6, to.interface_index, out, 0});
  return std::nullopt;
}

std::optional<std::string> Transport::send(const Destination &to, const unsigned char *bytes,
                                           std::size_t size) {
  long sent = -1;
  int error = 0;
  if (to.frame) {
    if (std::optional<std::string> failed = open_frames()) {
      return failed;
    }
    sent = send_frame(frames_, to.interface_index, bytes, size, error);
  } else {
    SocketHandle socket = kNoSocket;
    if (std::optional<std::string> failed = socket_for(to, socket)) {
      return failed;
    }
    sent = send_datagram(socket, socket_address(to.address, to.port), bytes, size, error);
  }
  if (sent < 0) {
    return reason(error);
  }
  if (static_cast<std::size_t>(sent) != size) {
    return "sent " + std::to_string(sent) + " of " + std::to_string(size) + " bytes";
  }
  return std::nullopt;
}

bool Transport::sends_from(bool ipv6, int port) {
  for (Socket &each : sockets_) {
    if (each.ipv6 != ipv6) {
      continue;
    }
    if (each.port == 0) { // a socket keeps the port of its first datagram
      if (const std::optional<SocketAddress> local = local_address(each.handle)) {
        (void)endpoint_of(local->storage, each.port);
      }
    }
    if (each.port != 0 && each.port == port) {
      return true;
    }
  }
  return false;
}

std::optional<Endpoint> Transport::source_for(const Destination &to, std::string &error) {
  const SocketHandle handle = open_for(to, error);
  if (handle == kNoSocket) {
    return std::nullopt;
  }
  int code = 0;
  std::optional<Endpoint> source;
  if (!connect_datagram(handle, socket_address(to.address, to.port), code)) {
    error = reason(code);
  } else if (const std::optional<SocketAddress> local = local_address(handle)) {
    int port = 0;
    source = endpoint_of(local->storage, port);
  }
  if (!source && error.empty()) {
    error = "the system names no source address";
  }
  close_socket(handle);
  return source;
}

} // namespace wol
