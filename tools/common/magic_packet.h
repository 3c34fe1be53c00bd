// Received bytes read as a magic packet: six 0xFF bytes, then sixteen
// copies of one MAC, found at any offset (a frame's payload, a datagram of
// some tool's making), and after it a SecureOn password of four or six
// bytes. What is not one gets a verdict that says why: wol-listen shows it,
// wol-relay refuses by it.
#ifndef WOL_COMMON_MAGIC_PACKET_H
#define WOL_COMMON_MAGIC_PACKET_H

#include "mac_forms.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

constexpr std::size_t kMagicPacketSize = 102;

enum class Verdict : std::uint8_t {
  ok,           // a magic packet, and perhaps a password of 4 or 6 bytes after it
  extra_bytes,  // a magic packet, then bytes that are no password of 4 or 6 bytes
  too_short,    // fewer bytes than a magic packet, or too few after the six 0xFF
  no_sync,      // no run of six 0xFF bytes with a magic packet's room after it
  copy_differs, // six 0xFF bytes, but a copy of the MAC differs from the first
};

struct MagicReading {
  Verdict verdict = Verdict::no_sync;
  std::size_t size = 0;   // bytes read
  std::size_t offset = 0; // where the six 0xFF bytes begin (the best attempt's, for a fault)
  // The MAC of the first copy: the packet's, or the one a damaged packet was for.
  std::optional<MacBytes> mac;
  std::vector<unsigned char> password; // none, 4 or 6 bytes
  std::size_t extra = 0;               // extra_bytes: how many
  int differing_copy = 0;              // copy_differs: the first copy (2 to 16) that differs
};

MagicReading read_magic_packet(const unsigned char *bytes, std::size_t size);

// "ok", "extra-bytes", "too-short", "no-sync", "copy-differs".
std::string_view verdict_name(Verdict verdict);

// The verdict in words, with its numbers: "a magic packet", "copy 5 of 16
// differs from the first", ...
std::string verdict_text(const MagicReading &reading);

// A password as wol-wake's -P takes it: four bytes as a dotted quad, six
// as aa:bb:cc:dd:ee:ff.
std::string password_text(const std::vector<unsigned char> &password);

} // namespace wol

#endif
