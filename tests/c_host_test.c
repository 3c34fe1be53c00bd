/* A host program in plain C99, started as a fresh process: the header
 * compiles as C, the four exports link, and the library's state starts
 * as documented. Prints each failed check and exits non-zero on any. */
#include "tarnwick_wol.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

int main(void) {
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  const char *error = wol_last_error();

  check(error != NULL && error[0] == '\0', "last error starts empty");
  check(strcmp(wol_version(), "1.0.0") == 0, "version is 1.0.0");
  check(wol_packet("AA:BB:CC:DD:EE:FF", packet, (int)sizeof packet) == TARNWICK_WOL_PACKET_SIZE,
        "builds a packet");
  check(packet[0] == 0xFF && packet[6] == 0xAA && packet[101] == 0xFF, "packet layout");
  check(wol_send(NULL, NULL, 0) == -1, "refuses a null mac");
  check(strcmp(wol_last_error(), "mac is NULL or empty") == 0, "reports the null mac");
  check(wol_last_error() == error, "last error keeps its address");

  printf("c_host_test: %s\n", failures == 0 ? "ok" : "FAILED");
  return failures == 0 ? 0 : 1;
}
