#include "receiver.h"

#include "text.h"

#include <algorithm>
#include <initializer_list>

namespace wol {

std::string failure_message(const ListenFailure &failure, std::string_view program) {
  const std::string given = std::string("\"$(command -v ") + std::string(program) + ")\"";
  std::string advice;
  switch (failure.fault) {
  case ListenFault::port_in_use:
    advice = "another program listens there; stop it, or choose another port with -p PORT";
    break;
  case ListenFault::port_needs_right:
    advice = "a port below 1024 needs root or CAP_NET_BIND_SERVICE; run as root, give the "
             "program that right once (sudo setcap cap_net_bind_service+ep " +
             given + "), or choose a port from 1024 up with -p PORT";
    break;
  case ListenFault::frames_need_right:
    advice = "reading them needs root or CAP_NET_RAW; run as root, or give the program that "
             "right once (sudo setcap cap_net_raw,cap_net_bind_service+ep " +
             given + ")";
    break;
  case ListenFault::address_not_here:
    advice = "it is no address of this machine";
    break;
  case ListenFault::no_ipv6:
    advice = "this system has no IPv6";
    break;
  case ListenFault::no_frames_here:
  case ListenFault::other:
    break;
  }
  return shown(failure.what) + ": " + failure.reason + (advice.empty() ? "" : "; " + advice);
}

std::vector<Receiver::Planned> Receiver::plan(const ListenSettings &settings) {
  std::vector<Planned> out;
  for (const int port : settings.ports) {
    for (const bool ipv6 : {false, true}) {
      if (!(ipv6 ? settings.ipv6 : settings.ipv4)) {
        continue;
      }
      for (const Endpoint &address : settings.addresses) {
        if (address.ipv6 == ipv6) {
          out.push_back({port, ipv6, address});
        }
      }
      if (settings.addresses.empty()) {
        out.push_back({port, ipv6, std::nullopt});
      }
    }
  }
  return out;
}

bool Receiver::listening(bool ipv6) const {
  return std::any_of(sockets_.begin(), sockets_.end(),
                     [ipv6](const Socket &each) { return !each.frames && each.ipv6 == ipv6; });
}

std::string describe_listening(const ListenSettings &settings, bool ipv4, bool ipv6,
                               const std::string &frame_interface) {
  std::string text = settings.ports.size() == 1 ? "UDP port " : "UDP ports ";
  for (std::size_t i = 0; i < settings.ports.size(); ++i) {
    if (i != 0) {
      text += i + 1 == settings.ports.size() ? " and " : ", ";
    }
    text += std::to_string(settings.ports[i]);
  }
  if (!settings.addresses.empty()) {
    text += " on";
    for (std::size_t i = 0; i < settings.addresses.size(); ++i) {
      text += (i == 0 ? " " : ", ") + address_text(settings.addresses[i]);
    }
  } else {
    if (ipv4 && ipv6) {
      text += " over IPv4 and IPv6";
    } else {
      text += ipv6 ? " over IPv6" : " over IPv4";
    }
  }
  if (settings.frames) {
    text += ", and raw Ethernet frames of type 0x0842 " + (frame_interface.empty()
                                                               ? std::string("on every interface")
                                                               : "on " + shown(frame_interface));
  }
  return text;
}

} // namespace wol
