// wol_send to 127.0.0.1 against the bare system calls it has to make:
// socket, setsockopt, inet_pton, sendto and close, with a prepared packet.
#include "tarnwick_wol.h"
#include "udp_receiver.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

void bare_socket_calls(benchmark::State &state) {
  udp_receiver receiver; // never read: the overflow is dropped, alike for both
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  wol_packet("00:11:22:33:44:55", packet, sizeof packet);
  for (auto _ : state) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(receiver.port()));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    benchmark::DoNotOptimize(
        sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr *>(&to), sizeof to));
    close(fd);
  }
}
BENCHMARK(bare_socket_calls);

void wol_send_loopback(benchmark::State &state) {
  udp_receiver receiver;
  for (auto _ : state) {
    benchmark::DoNotOptimize(wol_send("00:11:22:33:44:55", "127.0.0.1", receiver.port()));
  }
}
BENCHMARK(wol_send_loopback);

} // namespace
