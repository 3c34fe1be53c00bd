// The library's portable logic: the last-error text, the magic packet and
// the send sequence. Everything platform-specific sits behind socket_ops().
#include "tarnwick_wol.h"

#include "magic_packet.h"
#include "socket_layer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarnwick_wol {

const socket_operations *active_socket_operations = &platform_socket_operations;
int s_ws_started = 0;

namespace {

constexpr int kPacketSize = TARNWICK_WOL_PACKET_SIZE;
constexpr int kMacSize = 6;

constexpr int kColonFormLength = 17;   // AA:BB:CC:DD:EE:FF
constexpr int kCompactFormLength = 12; // AABBCCDDEEFF

constexpr int kDefaultPort = 9;
constexpr int kMaxPort = 65535;
constexpr const char *kDefaultAddress = "255.255.255.255";

constexpr char kBufTooSmall[] = "buf too small for 102-byte WoL packet";
constexpr char kBufNull[] = "buf is NULL";
constexpr char kMacEmpty[] = "mac is NULL or empty";
constexpr char kMacForm[] = "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF";
constexpr char kMacNonHex[] = "mac contains non-hex characters";
constexpr char kMacLength[] = "mac has wrong length (expected 12 or 17 chars)";
constexpr char kPortRange[] = "port out of range";
constexpr char kStartupFailed[] = "WSAStartup failed";
constexpr char kSocketFailed[] = "socket() failed (winsock not initialized)";
constexpr char kBadAddress[] = "invalid broadcast_ip (must be IPv4 dotted quad)";
constexpr char kSendFailed[] = "sendto() failed";
constexpr char kSendFailedWsa[] = "sendto() failed (WSA error)";

char s_last_error[256];

// Records `message` as the last error and returns the failure result.
template <std::size_t N> int fail(const char (&message)[N]) {
  static_assert(N <= sizeof s_last_error, "message must fit");
  std::memcpy(s_last_error, message, N);
  return -1;
}

// Value of each character as a hex digit, or -1.
constexpr std::array<signed char, 256> kHexValue = [] {
  std::array<signed char, 256> table{};
  for (auto &value : table) {
    value = -1;
  }
  for (int i = 0; i < 10; ++i) {
    table['0' + i] = static_cast<signed char>(i);
  }
  for (int i = 0; i < 6; ++i) {
    table['a' + i] = static_cast<signed char>(10 + i);
    table['A' + i] = static_cast<signed char>(10 + i);
  }
  return table;
}();

int hex_value(char c) { return kHexValue[static_cast<unsigned char>(c)]; }

// The byte that the two hex digits at `pair` spell, or -1. The second
// character is read only once the first is known to be a digit (and so not
// the terminator).
int pair_value(const char *pair) {
  const int high = hex_value(pair[0]);
  if (high < 0) {
    return -1;
  }
  const int low = hex_value(pair[1]);
  if (low < 0) {
    return -1;
  }
  return high << 4 | low;
}

// Reads the six pairs of one form, `Stride` characters apart (3 with ':'
// between them, 2 without). Every character is checked before the next one
// is read, so a text that ends early fails at its terminator and nothing
// beyond it is touched. Returns 0 or fail().
template <int Stride> int parse_pairs(const char *mac, packed_mac &out) {
  packed_mac value = 0;
  for (int i = 0; i < kMacSize; ++i) {
    const char *pair = mac + (static_cast<std::ptrdiff_t>(i) * Stride);
    if (Stride == 3 && i > 0 && pair[-1] != ':') {
      return fail(kMacForm);
    }
    const int byte = pair_value(pair);
    if (byte < 0) {
      return fail(kMacNonHex);
    }
    value |= static_cast<packed_mac>(byte) << (8 * i);
  }
  // Every character up to the last pair is known not to be the terminator,
  // so the length is right exactly when the text ends here.
  constexpr int length = Stride == 3 ? kColonFormLength : kCompactFormLength;
  if (mac[length] != '\0') {
    return fail(kMacLength);
  }
  out = value;
  return 0;
}

// Reads the address that `mac` spells, in whichever form its third
// character announces. Returns 0 or fail().
int parse_mac(const char *mac, packed_mac &out) {
  if (mac == nullptr || mac[0] == '\0') {
    return fail(kMacEmpty);
  }
  if (mac[1] != '\0' && mac[2] == ':') {
    return parse_pairs<3>(mac, out);
  }
  return parse_pairs<2>(mac, out);
}

// The message for a send that did not hand over the whole packet, by the
// socket layer's error code.
int fail_send(int error_code) {
  if (error_code == 0 || error_code > 999) {
    return fail(kSendFailed);
  }
  return fail(kSendFailedWsa);
}

// Sends `packet` through an open socket, which the caller closes. The error
// code is read here, before closing can change it.
int send_through(socket_handle sock, const char *address, int port,
                 const unsigned char (&packet)[kPacketSize]) {
  const socket_operations &ops = socket_ops();
  ops.enable_broadcast(sock);
  ipv4_destination to{};
  to.port = static_cast<std::uint16_t>(port);
  if (ops.parse_ipv4(address, to.address) != 1) {
    return fail(kBadAddress);
  }
  if (ops.send_to(sock, packet, kPacketSize, to) == kPacketSize) {
    return 0;
  }
  return fail_send(ops.last_error());
}

} // namespace
} // namespace tarnwick_wol

using namespace tarnwick_wol;

extern "C" {

TARNWICK_WOL_API const char *TARNWICK_WOL_CALL wol_version(void) { return TARNWICK_WOL_VERSION; }

TARNWICK_WOL_API const char *TARNWICK_WOL_CALL wol_last_error(void) { return s_last_error; }

TARNWICK_WOL_API int TARNWICK_WOL_CALL wol_packet(const char *mac, unsigned char *buf,
                                                  int buf_len) {
  if (buf_len < kPacketSize) {
    return fail(kBufTooSmall);
  }
  if (buf == nullptr) {
    return fail(kBufNull);
  }
  packed_mac address = 0;
  if (parse_mac(mac, address) != 0) {
    return -1;
  }
  write_magic_packet(address, buf);
  return kPacketSize;
}

TARNWICK_WOL_API int TARNWICK_WOL_CALL wol_send(const char *mac, const char *broadcast_ip,
                                                int port) {
  s_last_error[0] = '\0';
  unsigned char packet[kPacketSize];
  if (wol_packet(mac, packet, kPacketSize) != kPacketSize) {
    return -1;
  }
  if (port <= 0) {
    port = kDefaultPort;
  } else if (port > kMaxPort) {
    return fail(kPortRange);
  }
  const char *address =
      (broadcast_ip == nullptr || broadcast_ip[0] == '\0') ? kDefaultAddress : broadcast_ip;
  const socket_operations &ops = socket_ops();
  if (s_ws_started == 0) {
    if (ops.start() != 0) {
      return fail(kStartupFailed);
    }
    s_ws_started = 1;
  }
  const socket_handle sock = ops.open_udp();
  if (sock == invalid_socket) {
    return fail(kSocketFailed);
  }
  const int result = send_through(sock, address, port, packet);
  ops.close(sock);
  return result;
}

} // extern "C"
