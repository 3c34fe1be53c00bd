// Fuzzes wol_packet. The first input byte picks the buffer length; the rest,
// up to the first NUL, is the MAC text, copied to a heap block of exactly
// its size so that AddressSanitizer catches a read past the terminator.
// The result is checked against a plain re-reading of the two MAC forms.
#include "tarnwick_wol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kPacketSize = TARNWICK_WOL_PACKET_SIZE;
constexpr unsigned char kFill = 0xA5;

const char *const kMessages[] = {
    "buf too small for 102-byte WoL packet",          "mac is NULL or empty",
    "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF",  "mac contains non-hex characters",
    "mac has wrong length (expected 12 or 17 chars)",
};

int hex(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The address `text` spells, if it is AA:BB:CC:DD:EE:FF or AABBCCDDEEFF.
bool reference_parse(const char *text, std::size_t length, unsigned char (&mac)[6]) {
  const bool colon = length == 17;
  if (!colon && length != 12)
    return false;
  for (int i = 0; i < 6; ++i) {
    const char *pair = text + i * (colon ? 3 : 2);
    if (colon && i < 5 && pair[2] != ':')
      return false;
    if (hex(pair[0]) < 0 || hex(pair[1]) < 0)
      return false;
    mac[i] = static_cast<unsigned char>(hex(pair[0]) * 16 + hex(pair[1]));
  }
  return true;
}

void check(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0)
    return 0;
  const int buf_len = data[0] == 0xFF ? -1 : 96 + data[0] % 12; // 96 to 107, or -1
  const char *rest = reinterpret_cast<const char *>(data + 1);
  const std::size_t length = strnlen(rest, size - 1);
  std::unique_ptr<char[]> mac(new char[length + 1]);
  std::memcpy(mac.get(), rest, length);
  mac[length] = '\0';

  unsigned char buf[kPacketSize + 8];
  std::memset(buf, kFill, sizeof buf);
  const int result = wol_packet(mac.get(), buf, buf_len);

  unsigned char expected[6];
  const bool valid = reference_parse(mac.get(), length, expected);
  if (result == kPacketSize) {
    check(buf_len >= kPacketSize && valid);
    for (int i = 0; i < 6; ++i)
      check(buf[i] == 0xFF);
    for (int i = 6; i < kPacketSize; ++i)
      check(buf[i] == expected[(i - 6) % 6]);
    for (std::size_t i = kPacketSize; i < sizeof buf; ++i)
      check(buf[i] == kFill);
    return 0;
  }
  check(result == -1 && (buf_len < kPacketSize || !valid));
  for (unsigned char byte : buf)
    check(byte == kFill);
  bool known = false;
  for (const char *message : kMessages)
    known = known || std::strcmp(wol_last_error(), message) == 0;
  check(known);
  return 0;
}
