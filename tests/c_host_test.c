/* A host program in plain C99, started as a fresh process: the header
 * compiles as C, the four exports link, the library's state starts as
 * documented, and the library starts the socket layer by itself: this
 * program calls nothing but the library before it wakes 127.0.0.1 (and on
 * Windows checks, at the end, that Winsock was started).
 *
 *   c_host_test [PORT]
 *
 * With PORT it sends one packet for 0A:1B:2C:3D:4E:5F to 127.0.0.1:PORT,
 * where run_with_receiver.py listens. Prints each failed check and exits
 * non-zero on any. */
#include "tarnwick_wol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <winsock2.h>
#endif

static int failures = 0;

static void check(int ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "FAILED: %s (last error: \"%s\")\n", what, wol_last_error());
    ++failures;
  }
}

int main(int argc, char **argv) {
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  const char *error = wol_last_error();

  check(error != NULL && error[0] == '\0', "last error starts empty");
  check(strcmp(wol_version(), "1.0.0") == 0, "version is 1.0.0");
  if (argc > 1) {
    /* The first call that reaches the socket layer, in a process that
     * never started it. */
    check(wol_send("0A:1B:2C:3D:4E:5F", "127.0.0.1", atoi(argv[1])) == 0, "wakes 127.0.0.1");
    check(wol_last_error()[0] == '\0', "a send leaves no message");
  }
  check(wol_packet("AA:BB:CC:DD:EE:FF", packet, (int)sizeof packet) == TARNWICK_WOL_PACKET_SIZE,
        "builds a packet");
  check(packet[0] == 0xFF && packet[6] == 0xAA && packet[101] == 0xFF, "packet layout");
  check(wol_send(NULL, "127.0.0.1", 0) == -1, "refuses a null mac");
  check(strcmp(wol_last_error(), "mac is NULL or empty") == 0, "reports the null mac");
  check(wol_last_error() == error, "last error keeps its address");
#ifdef _WIN32
  if (argc > 1) {
    /* Winsock counts its start-ups: the library's is the only one, so this
     * clean-up succeeds exactly when the library did start Winsock. (Wine,
     * unlike Windows, lets sockets open without it.) Nothing may call the
     * library after this. */
    check(WSACleanup() == 0, "the library started Winsock itself");
  }
#endif

  printf("c_host_test: %s\n", failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
