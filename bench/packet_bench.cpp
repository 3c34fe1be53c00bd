// wol_packet against the cost of writing the packet at all, from an
// already-parsed address: the ratio between the two is what reading and
// checking the text costs. Two baselines: the plain way (six 0xFF bytes and
// sixteen 6-byte copies), and the library's own writer, which stores the
// copies as 8-byte words.
#include "magic_packet.h"
#include "tarnwick_wol.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int kPacketSize = TARNWICK_WOL_PACKET_SIZE;

void write_parsed(const unsigned char (&mac)[6], unsigned char *buf) {
  std::memset(buf, 0xFF, 6);
  for (int copy = 1; copy <= 16; ++copy) {
    std::memcpy(buf + copy * 6, mac, 6);
  }
}

void baseline_write_parsed_mac(benchmark::State &state) {
  unsigned char mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  unsigned char buf[kPacketSize];
  for (auto _ : state) {
    benchmark::DoNotOptimize(mac);
    write_parsed(mac, buf);
    benchmark::DoNotOptimize(buf);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(baseline_write_parsed_mac);

void baseline_library_writer(benchmark::State &state) {
  tarnwick_wol::packed_mac mac = 0x554433221100;
  unsigned char buf[kPacketSize];
  for (auto _ : state) {
    benchmark::DoNotOptimize(mac);
    tarnwick_wol::write_magic_packet(mac, buf);
    benchmark::DoNotOptimize(buf);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(baseline_library_writer);

void packet_from_text(benchmark::State &state, const char *text) {
  unsigned char buf[kPacketSize];
  const char *mac = text;
  for (auto _ : state) {
    benchmark::DoNotOptimize(mac);
    benchmark::DoNotOptimize(wol_packet(mac, buf, kPacketSize));
    benchmark::DoNotOptimize(buf);
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(packet_from_text, colon, "00:11:22:33:44:55");
BENCHMARK_CAPTURE(packet_from_text, compact, "001122334455");
BENCHMARK_CAPTURE(packet_from_text, refused_non_hex, "00-11-22-33-44-55");

} // namespace
