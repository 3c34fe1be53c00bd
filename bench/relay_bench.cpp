// wol-relay's added delay and its forwards per second, on 127.0.0.1 only.
//
//   relay_bench WOL_RELAY [FORWARDS] [SECONDS]
//
// Starts the relay on a free port of 127.0.0.1 (-l 127.0.0.1), forwarding
// with -i 127.0.0.1 to a socket of this program's, for any MAC and with
// limits far above what is sent, its log going to a file as a service's
// goes to the journal. Then:
//   delay       FORWARDS times (default 1000, after 100 to warm up): one
//               request, and the time until its forward arrives; each one
//               followed by the same datagram sent straight to the socket,
//               the loopback's own time, which the relay's path includes.
//               The added delay is the relay's path less the loopback's
//               median.
//   throughput  for SECONDS (default 3): 32 requests kept in flight, a new
//               one for each forward received; forwards per second.
// Prints one JSON object; the relay's summary line checks that every
// request was forwarded.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWindow = 32;

[[noreturn]] void die(const std::string &why) {
  std::fprintf(stderr, "relay_bench: %s\n", why.c_str());
  std::exit(1);
}

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int bound_socket(int port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = loopback(port);
  if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
    die("cannot bind a socket on 127.0.0.1");
  }
  const int buffer = 1 << 20;
  (void)setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  return fd;
}

int port_of(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  (void)getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
  return ntohs(address.sin_port);
}

std::array<unsigned char, 102> packet(unsigned number) {
  std::array<unsigned char, 102> bytes{};
  std::fill_n(bytes.begin(), 6, 0xFF);
  const unsigned char mac[6] = {0x02,
                                0x00,
                                0x00,
                                0x00,
                                static_cast<unsigned char>(number >> 8U),
                                static_cast<unsigned char>(number & 0xFFU)};
  for (int copy = 0; copy < 16; ++copy) {
    std::memcpy(bytes.data() + 6 + copy * 6, mac, 6);
  }
  return bytes;
}

void send_to(int fd, int port, const std::array<unsigned char, 102> &bytes) {
  const sockaddr_in to = loopback(port);
  if (sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr *>(&to),
             sizeof to) != static_cast<ssize_t>(bytes.size())) {
    die("sendto failed");
  }
}

// Waits at most a second for a datagram on `fd`.
bool receive(int fd) {
  pollfd one{fd, POLLIN, 0};
  unsigned char buffer[2048];
  return poll(&one, 1, 1000) == 1 && recv(fd, buffer, sizeof buffer, 0) > 0;
}

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double percentile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

std::string read_file(const std::string &name) {
  std::ifstream in(name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    die("usage: relay_bench WOL_RELAY [FORWARDS] [SECONDS]");
  }
  const int forwards = argc > 2 ? std::atoi(argv[2]) : 1000;
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 3;
  const int sink = bound_socket(0);
  const int sender = bound_socket(0);
  const int probe = bound_socket(0); // a free port for the relay, given back just before
  const int relay_port = port_of(probe);
  close(probe);

  char log[] = "/tmp/relay_bench_log_XXXXXX";
  const int log_fd = mkstemp(log);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, log_fd, STDERR_FILENO);
  const std::string port = std::to_string(relay_port);
  const std::string to_port = std::to_string(port_of(sink));
  std::vector<std::string> args = {argv[1],         "-p",          port,        "-l",
                                   "127.0.0.1",     "-i",          "127.0.0.1", "--to-port",
                                   to_port,         "--allow-any", "--rate",    "100000/1",
                                   "--global-rate", "100000/1"};
  std::vector<char *> argp;
  for (std::string &each : args) {
    argp.push_back(each.data());
  }
  argp.push_back(nullptr);
  pid_t relay = 0;
  if (posix_spawn(&relay, argv[1], &actions, nullptr, argp.data(), environ) != 0) {
    die("cannot start " + std::string(argv[1]));
  }
  const Clock::time_point give_up = Clock::now() + std::chrono::seconds(10);
  while (read_file(log).find("started:") == std::string::npos) {
    if (Clock::now() > give_up) {
      kill(relay, SIGKILL);
      die("the relay did not start: " + read_file(log));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  // Delay: one request at a time, then the same datagram straight across.
  std::vector<double> through_relay;
  std::vector<double> loopback_alone;
  for (int i = -100; i < forwards; ++i) {
    const auto bytes = packet(static_cast<unsigned>(i + 100));
    Clock::time_point start = Clock::now();
    send_to(sender, relay_port, bytes);
    if (!receive(sink)) {
      die("a forward did not arrive within a second");
    }
    const double relayed = micros(Clock::now() - start);
    start = Clock::now();
    send_to(sender, port_of(sink), bytes);
    if (!receive(sink)) {
      die("a datagram did not arrive within a second");
    }
    if (i >= 0) {
      through_relay.push_back(relayed);
      loopback_alone.push_back(micros(Clock::now() - start));
    }
  }

  // Throughput: a window of requests in flight.
  unsigned sent = 0;
  long received = 0;
  for (; sent < kWindow; ++sent) {
    send_to(sender, relay_port, packet(sent % 4096));
  }
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    if (!receive(sink)) {
      die("the relay stopped forwarding");
    }
    ++received;
    send_to(sender, relay_port, packet(sent++ % 4096));
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const long in_time = received;
  while (received + kWindow > static_cast<long>(sent) && receive(sink)) {
    ++received; // the window's last forwards
  }

  kill(relay, SIGTERM);
  int status = 0;
  waitpid(relay, &status, 0);
  const std::string text = read_file(log);
  unlink(log);
  const std::size_t summary = text.rfind("summary after");
  const std::string summary_line =
      summary == std::string::npos ? "" : text.substr(summary, text.find('\n', summary) - summary);

  const double loop = median(loopback_alone);
  std::printf("{\n  \"forwards\": %d,\n"
              "  \"through_relay_us\": {\"median\": %.1f, \"p99\": %.1f, \"worst\": %.1f},\n"
              "  \"loopback_alone_us\": {\"median\": %.1f, \"worst\": %.1f},\n"
              "  \"added_delay_us\": {\"median\": %.1f, \"worst\": %.1f},\n"
              "  \"forwards_per_second\": %.0f,\n  \"window\": %d,\n  \"seconds\": %.2f,\n"
              "  \"relay_summary\": \"%s\"\n}\n",
              forwards, median(through_relay), percentile(through_relay, 0.99),
              *std::max_element(through_relay.begin(), through_relay.end()), loop,
              *std::max_element(loopback_alone.begin(), loopback_alone.end()),
              median(through_relay) - loop,
              *std::max_element(through_relay.begin(), through_relay.end()) - loop,
              static_cast<double>(in_time) / elapsed, kWindow, elapsed, summary_line.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
