// A socket layer that sends nothing: it records what the sender asks of it
// and fails when told to. Address conversion stays the platform's own.
#ifndef TARNWICK_WOL_TESTS_FAKE_SOCKET_LAYER_H
#define TARNWICK_WOL_TESTS_FAKE_SOCKET_LAYER_H

#include "socket_layer.h"
#include "tarnwick_wol.h"

#include <array>
#include <vector>

struct fake_socket_layer {
  // What the next calls return.
  int start_result = 0;
  bool open_fails = false;
  int send_result = TARNWICK_WOL_PACKET_SIZE;
  // The code that a send leaves for last_error(). Closing the socket clears
  // it, as a real close may, so the sender must read it before closing.
  int error_code = 0;

  // What the sender did.
  int starts = 0;
  int opens = 0;
  int closes = 0;
  int broadcast_enabled = 0;
  int sends = 0;
  std::array<unsigned char, 4> address{};
  int port = -1;
  std::vector<unsigned char> datagram;

  // What last_error() returns now.
  int pending_error = 0;
};

// Makes the library use a fresh fake_socket_layer, from a cold start (the
// socket layer not yet started), for as long as it lives; then puts the
// real operations and the start-up flag back.
class scoped_fake_sockets {
public:
  scoped_fake_sockets();
  ~scoped_fake_sockets();
  scoped_fake_sockets(const scoped_fake_sockets &) = delete;
  scoped_fake_sockets &operator=(const scoped_fake_sockets &) = delete;

  fake_socket_layer &layer() { return layer_; }

private:
  fake_socket_layer layer_;
  const tarnwick_wol::socket_operations *saved_ops_;
  int saved_started_;
};

#endif
