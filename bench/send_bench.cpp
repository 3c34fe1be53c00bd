// wol_send to 127.0.0.1 against the bare system calls it has to make:
// socket, setsockopt, inet_pton, sendto and close, with a prepared packet.
#include "tarnwick_wol.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// A bound socket that nobody reads: datagrams are dropped once its buffer is
// full, which costs both contenders the same.
class sink {
public:
  sink() {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    socklen_t size = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr *>(&addr), &size);
    port_ = ntohs(addr.sin_port);
  }
  ~sink() { close(fd_); }
  int port() const { return port_; }

private:
  int fd_;
  int port_;
};

void bare_socket_calls(benchmark::State &state) {
  sink receiver;
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
  sink receiver;
  for (auto _ : state) {
    benchmark::DoNotOptimize(wol_send("00:11:22:33:44:55", "127.0.0.1", receiver.port()));
  }
}
BENCHMARK(wol_send_loopback);

} // namespace
