// The magic packet for an address, laid out byte by byte as the tests
// expect it, without the library's help: a test that compares a datagram
// only with wol_packet's output would pass if both had the same wrong byte
// order.
#ifndef TARNWICK_WOL_TESTS_EXPECTED_PACKET_H
#define TARNWICK_WOL_TESTS_EXPECTED_PACKET_H

#include <array>
#include <vector>

using mac_address = std::array<unsigned char, 6>;

inline std::vector<unsigned char> expected_packet(const mac_address &mac) {
  std::vector<unsigned char> packet(6, 0xFF);
  for (int copy = 0; copy < 16; ++copy) {
    packet.insert(packet.end(), mac.begin(), mac.end());
  }
  return packet;
}

#endif
