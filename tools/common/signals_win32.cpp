// Signals on Windows: the console's control events, which Windows delivers
// on a thread of their own; the handler notes the stop and sets an event
// that the receiver waits on beside its sockets.
#include "signals.h"

#include <windows.h>

namespace wol {
namespace {

volatile LONG g_stop = 0;
HANDLE g_event = nullptr;

BOOL WINAPI on_control(DWORD type) {
  (void)InterlockedExchange(&g_stop, 1);
  (void)SetEvent(g_event);
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    // Windows ends the process when the handler returns: time for the
    // summary first (the program exits before this ends).
    Sleep(4000);
  }
  return TRUE;
}

} // namespace

void catch_signals() {
  if (g_event != nullptr) {
    return;
  }
  g_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  (void)SetConsoleCtrlHandler(on_control, TRUE);
}

Request take_request() {
  if (InterlockedExchange(&g_stop, 0) != 0) {
    return Request::stop;
  }
  (void)ResetEvent(g_event);
  // A stop that came between the two calls sets the event again.
  return InterlockedCompareExchange(&g_stop, 0, 1) != 0 ? Request::stop : Request::none;
}

std::intptr_t request_handle() {
  return g_event != nullptr ? reinterpret_cast<std::intptr_t>(g_event) : -1;
}

} // namespace wol
