// Fuzzes the magic-packet reader that wol-listen and wol-relay judge what
// arrives by. Whatever the bytes, the verdict must be true of them: a
// packet is reported only where one is, at the first offset that holds
// one, with exactly the bytes after it as its password or as extra bytes;
// a fault is reported only where no offset holds a packet, and its numbers
// describe the bytes (the copy that differs does, the ones before it do
// not; a run that is cut short is cut short).
#include "magic_packet.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

bool sync_at(const std::uint8_t *data, std::size_t size, std::size_t at) {
  if (at + 6 > size) {
    return false;
  }
  for (std::size_t i = 0; i < 6; ++i) {
    if (data[at + i] != 0xFF) {
      return false;
    }
  }
  return true;
}

// Whether copy `copy` (from 1) after the run at `at` equals the first.
bool copy_equal(const std::uint8_t *data, std::size_t at, int copy) {
  return std::memcmp(data + at + 6 + static_cast<std::size_t>(copy - 1) * 6, data + at + 6, 6) == 0;
}

bool packet_at(const std::uint8_t *data, std::size_t size, std::size_t at) {
  if (at + wol::kMagicPacketSize > size || !sync_at(data, size, at)) {
    return false;
  }
  for (int copy = 2; copy <= 16; ++copy) {
    if (!copy_equal(data, at, copy)) {
      return false;
    }
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const wol::MagicReading r = wol::read_magic_packet(data, size);
  check(r.size == size);
  std::size_t first_packet = size;
  for (std::size_t at = 0; at < size && first_packet == size; ++at) {
    if (packet_at(data, size, at)) {
      first_packet = at;
    }
  }
  const bool found = r.verdict == wol::Verdict::ok || r.verdict == wol::Verdict::extra_bytes;
  check(found == (first_packet < size));
  if (found) {
    check(r.offset == first_packet && r.mac);
    check(std::memcmp(r.mac->data(), data + r.offset + 6, 6) == 0);
    const std::size_t after = size - r.offset - wol::kMagicPacketSize;
    if (r.verdict == wol::Verdict::ok) {
      check(after == 0 || after == 4 || after == 6);
      check(r.password.size() == after && r.extra == 0);
      check(after == 0 ||
            std::memcmp(r.password.data(), data + r.offset + wol::kMagicPacketSize, after) == 0);
    } else {
      check(after != 0 && after != 4 && after != 6 && r.extra == after && r.password.empty());
    }
  } else {
    check(r.password.empty() && r.extra == 0);
  }
  switch (r.verdict) {
  case wol::Verdict::copy_differs:
    check(r.differing_copy >= 2 && r.differing_copy <= 16);
    check(sync_at(data, size, r.offset) && r.offset + wol::kMagicPacketSize <= size);
    for (int copy = 2; copy < r.differing_copy; ++copy) {
      check(copy_equal(data, r.offset, copy));
    }
    check(!copy_equal(data, r.offset, r.differing_copy));
    break;
  case wol::Verdict::too_short:
    check(size < wol::kMagicPacketSize ||
          (sync_at(data, size, r.offset) && size - r.offset < wol::kMagicPacketSize));
    break;
  case wol::Verdict::no_sync:
    check(size >= wol::kMagicPacketSize);
    for (std::size_t at = 0; at < size; ++at) {
      check(!sync_at(data, size, at));
    }
    break;
  default:
    check(r.differing_copy == 0);
    break;
  }
  for (const char c : wol::verdict_text(r)) {
    check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
  }
  return 0;
}
