#include "fake_socket_layer.h"

#include <algorithm>
#include <iterator>

namespace {

using tarnwick_wol::ipv4_destination;
using tarnwick_wol::socket_handle;

fake_socket_layer *s_fake = nullptr;
constexpr socket_handle kFakeSocket = 42;

int fake_start() {
  ++s_fake->starts;
  return s_fake->start_result;
}

socket_handle fake_open() {
  if (s_fake->open_fails) {
    return tarnwick_wol::invalid_socket;
  }
  ++s_fake->opens;
  return kFakeSocket;
}

void fake_enable_broadcast(socket_handle) { ++s_fake->broadcast_enabled; }

int real_parse(const char *text, std::uint8_t (&address)[4]) {
  return tarnwick_wol::platform_socket_operations.parse_ipv4(text, address);
}

int fake_send(socket_handle, const unsigned char *data, int size, const ipv4_destination &to) {
  ++s_fake->sends;
  s_fake->datagram.assign(data, data + size);
  std::copy(std::begin(to.address), std::end(to.address), s_fake->address.begin());
  s_fake->port = to.port;
  s_fake->pending_error = s_fake->error_code;
  return s_fake->send_result;
}

int fake_last_error() { return s_fake->pending_error; }

void fake_close(socket_handle) {
  ++s_fake->closes;
  s_fake->pending_error = 0;
}

const tarnwick_wol::socket_operations kFakeOperations = {
    fake_start,      fake_open,  fake_enable_broadcast, real_parse, fake_send,
    fake_last_error, fake_close,
};

} // namespace

scoped_fake_sockets::scoped_fake_sockets()
    : saved_ops_(tarnwick_wol::active_socket_operations),
      saved_started_(tarnwick_wol::s_ws_started) {
  s_fake = &layer_;
  tarnwick_wol::active_socket_operations = &kFakeOperations;
  tarnwick_wol::s_ws_started = 0;
}

scoped_fake_sockets::~scoped_fake_sockets() {
  tarnwick_wol::active_socket_operations = saved_ops_;
  tarnwick_wol::s_ws_started = saved_started_;
  s_fake = nullptr;
}
