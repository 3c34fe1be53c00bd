// Signals on POSIX systems: each handler notes its request and writes a
// byte into a pipe, which the receiver watches beside its sockets, so that
// a signal between two waits is not lost.
#include "signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace wol {
namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_reload = 0;
volatile std::sig_atomic_t g_report = 0;
int g_pipe[2] = {-1, -1};

extern "C" void on_signal(int number) {
  const int saved = errno;
  if (number == SIGHUP) {
    g_reload = 1;
  } else if (number == SIGUSR1) {
    g_report = 1;
  } else {
    g_stop = 1;
  }
  const char byte = 1;
  (void)!::write(g_pipe[1], &byte, 1); // a full pipe already says that a request waits
  errno = saved;
}

} // namespace

void catch_signals() {
  if (g_pipe[0] >= 0 || ::pipe(g_pipe) != 0) {
    return;
  }
  for (const int end : g_pipe) {
    (void)::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    (void)::fcntl(end, F_SETFD, FD_CLOEXEC);
  }
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) {
    (void)::sigaction(number, &action, nullptr);
  }
}

Request take_request() {
  char drain[64];
  while (g_pipe[0] >= 0 && ::read(g_pipe[0], drain, sizeof drain) > 0) {
  }
  Request request = Request::none;
  if (g_stop != 0) {
    g_stop = 0;
    request = Request::stop;
  } else if (g_reload != 0) {
    g_reload = 0;
    request = Request::reload;
  } else if (g_report != 0) {
    g_report = 0;
    request = Request::report;
  }
  if (g_stop != 0 || g_reload != 0 || g_report != 0) {
    const char byte = 1;
    (void)!::write(g_pipe[1], &byte, 1); // the next wait ends at once for the others
  }
  return request;
}

std::intptr_t request_handle() { return g_pipe[0]; }

} // namespace wol
