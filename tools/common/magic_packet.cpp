#include "magic_packet.h"

#include <algorithm>
#include <cstring>

namespace wol {
namespace {

constexpr std::size_t kSync = 6;
constexpr std::size_t kCopies = 16;
constexpr std::size_t kMacSize = 6;

bool is_sync(const unsigned char *at) {
  return std::all_of(at, at + kSync, [](unsigned char byte) { return byte == 0xFF; });
}

// The copies after the six 0xFF bytes at `at`, of which `room` bytes are
// there: how many copies equal the first (16 for a packet).
std::size_t matching_copies(const unsigned char *at, std::size_t room) {
  const unsigned char *first = at + kSync;
  std::size_t copies = 1;
  while (copies < kCopies && kSync + ((copies + 1) * kMacSize) <= room &&
         std::memcmp(first + (copies * kMacSize), first, kMacSize) == 0) {
    ++copies;
  }
  return copies;
}

MacBytes mac_at(const unsigned char *at) {
  MacBytes mac{};
  std::memcpy(mac.data(), at, kMacSize);
  return mac;
}

// The packet at `at`, and what follows it: a password, or extra bytes.
void found(const unsigned char *bytes, std::size_t size, std::size_t at, MagicReading &reading) {
  reading.offset = at;
  reading.mac = mac_at(bytes + at + kSync);
  const std::size_t after = size - at - kMagicPacketSize;
  if (after == 0 || after == 4 || after == 6) {
    reading.verdict = Verdict::ok;
    reading.password.assign(bytes + at + kMagicPacketSize, bytes + size);
  } else {
    reading.verdict = Verdict::extra_bytes;
    reading.extra = after;
  }
}

} // namespace

MagicReading read_magic_packet(const unsigned char *bytes, std::size_t size) {
  MagicReading reading;
  reading.size = size;
  // The first offset that holds a whole packet wins; otherwise the attempt
  // that got furthest tells why, or else the first run of six 0xFF that the
  // end of the bytes cut short.
  std::size_t best_copies = 0;
  std::optional<std::size_t> cut_short;
  for (std::size_t at = 0; at + kSync <= size; ++at) {
    if (!is_sync(bytes + at)) {
      continue;
    }
    const std::size_t room = size - at;
    if (room < kMagicPacketSize) {
      cut_short = cut_short.value_or(at);
      continue;
    }
    const std::size_t copies = matching_copies(bytes + at, room);
    if (copies == kCopies) {
      found(bytes, size, at, reading);
      return reading;
    }
    if (copies > best_copies) {
      best_copies = copies;
      reading.offset = at;
      reading.mac = mac_at(bytes + at + kSync);
    }
  }
  if (best_copies > 0) {
    reading.verdict = Verdict::copy_differs;
    reading.differing_copy = static_cast<int>(best_copies) + 1;
    return reading;
  }
  reading.verdict = cut_short || size < kMagicPacketSize ? Verdict::too_short : Verdict::no_sync;
  if (cut_short) {
    reading.offset = *cut_short;
    if (size - *cut_short >= kSync + kMacSize) {
      reading.mac = mac_at(bytes + *cut_short + kSync);
    }
  }
  return reading;
}

std::string_view verdict_name(Verdict verdict) {
  switch (verdict) {
  case Verdict::ok:
    return "ok";
  case Verdict::extra_bytes:
    return "extra-bytes";
  case Verdict::too_short:
    return "too-short";
  case Verdict::no_sync:
    return "no-sync";
  case Verdict::copy_differs:
    return "copy-differs";
  }
  return "?";
}

std::string verdict_text(const MagicReading &reading) {
  const std::string bytes = std::to_string(reading.size) + " bytes";
  switch (reading.verdict) {
  case Verdict::ok:
    return reading.password.empty() ? "a magic packet" : "a magic packet with a SecureOn password";
  case Verdict::extra_bytes:
    return "a magic packet, then " +
           (reading.extra == 1 ? std::string("1 byte that is")
                               : std::to_string(reading.extra) + " bytes that are") +
           " no SecureOn password (4 or 6 bytes)";
  case Verdict::too_short:
    if (reading.size < kMagicPacketSize) {
      return bytes + ", fewer than a magic packet's 102";
    }
    return "only " + std::to_string(reading.size - reading.offset - kSync) +
           " bytes after the six 0xFF at byte " + std::to_string(reading.offset) +
           ", fewer than sixteen copies of a MAC";
  case Verdict::no_sync:
    return "no run of six 0xFF bytes in " + bytes;
  case Verdict::copy_differs:
    return "copy " + std::to_string(reading.differing_copy) + " of the MAC differs from the first";
  }
  return {};
}

std::string password_text(const std::vector<unsigned char> &password) {
  if (password.size() == 4) {
    std::string out;
    for (const unsigned char byte : password) {
      out += (out.empty() ? "" : ".") + std::to_string(byte);
    }
    return out;
  }
  MacBytes six{};
  std::copy_n(password.begin(), std::min(password.size(), six.size()), six.begin());
  return colon_mac(six);
}

} // namespace wol
