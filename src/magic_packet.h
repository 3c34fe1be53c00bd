// Writing the 102-byte magic packet from an address already parsed.
#ifndef TARNWICK_WOL_MAGIC_PACKET_H
#define TARNWICK_WOL_MAGIC_PACKET_H

#include <cstdint>
#include <cstring>

namespace tarnwick_wol {

// A MAC address packed into the low 48 bits, first byte lowest.
using packed_mac = std::uint64_t;

inline void store_le64(unsigned char *out, std::uint64_t value) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  for (int i = 0; i < 8; ++i, value >>= 8) {
    out[i] = static_cast<unsigned char>(value);
  }
#else
  std::memcpy(out, &value, sizeof value);
#endif
}

// Six 0xFF bytes, then the address sixteen times. The copies repeat every
// 24 bytes, so they go out as four runs of three 8-byte words rather than
// as sixteen 6-byte copies.
inline void write_magic_packet(packed_mac mac, unsigned char *buf) {
  const std::uint64_t first = mac | mac << 48;        // b0..b5 b0 b1
  const std::uint64_t second = mac >> 16 | mac << 32; // b2..b5 b0..b3
  const std::uint64_t third = mac >> 32 | mac << 16;  // b4 b5 b0..b5
  std::memset(buf, 0xFF, 6);
  unsigned char *run = buf + 6;
  for (int i = 0; i < 4; ++i, run += 24) {
    store_le64(run, first);
    store_le64(run + 8, second);
    store_le64(run + 16, third);
  }
}

} // namespace tarnwick_wol

#endif
