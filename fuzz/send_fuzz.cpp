// Fuzzes wol_send over the fake socket layer, so nothing is sent. The input
// decides how each socket operation behaves, the port, and the address and
// MAC texts (each in a heap block of exactly its size). Whatever happens,
// the result is 0 or -1, the message is one of the library's, a success
// leaves no message, and every socket opened is closed.
#include "fake_socket_layer.h"
#include "tarnwick_wol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char *const kMessages[] = {
    "mac is NULL or empty",
    "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF",
    "mac contains non-hex characters",
    "mac has wrong length (expected 12 or 17 chars)",
    "port out of range",
    "WSAStartup failed",
    "socket() failed (winsock not initialized)",
    "invalid broadcast_ip (must be IPv4 dotted quad)",
    "sendto() failed",
    "sendto() failed (WSA error)",
};

void check(bool condition) {
  if (!condition)
    std::abort();
}

// Reads fixed-size fields off the front of the input, zero once it is used up.
struct reader {
  const std::uint8_t *data;
  std::size_t size;
  std::uint32_t take(int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      value = value << 8;
      if (size > 0) {
        value |= *data++;
        --size;
      }
    }
    return value;
  }
  // The text up to the next NUL (or the end), in an exact-size heap copy.
  std::unique_ptr<char[]> text() {
    const std::size_t length = strnlen(reinterpret_cast<const char *>(data), size);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), data, length);
    copy[length] = '\0';
    data += length < size ? length + 1 : length;
    size -= length < size ? length + 1 : length;
    return copy;
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  scoped_fake_sockets sockets;
  fake_socket_layer &fake = sockets.layer();
  reader input{data, size};
  const std::uint32_t flags = input.take(1);
  fake.start_result = (flags & 1) != 0 ? 10091 : 0;
  fake.open_fails = (flags & 2) != 0;
  fake.send_result = (flags & 4) != 0 ? static_cast<int>(input.take(1)) - 1 : 102;
  fake.error_code = static_cast<int>(input.take(4));
  const int port = static_cast<int>(input.take(4));
  const bool null_address = (flags & 8) != 0;
  const bool null_mac = (flags & 16) != 0;
  auto address = input.text();
  auto mac = input.text();

  const int result =
      wol_send(null_mac ? nullptr : mac.get(), null_address ? nullptr : address.get(), port);

  check(fake.closes == fake.opens);
  if (result == 0) {
    check(wol_last_error()[0] == '\0' && fake.sends == 1 && fake.datagram.size() == 102);
    check(fake.port == (port <= 0 ? 9 : port));
    return 0;
  }
  check(result == -1);
  bool known = false;
  for (const char *message : kMessages)
    known = known || std::strcmp(wol_last_error(), message) == 0;
  check(known);
  return 0;
}
