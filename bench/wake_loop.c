/* Sends COUNT magic packets to 127.0.0.1:PORT with wol_send, one call each,
 * for the peer comparison and the system call count:
 *   wake_loop COUNT PORT */
#include "tarnwick_wol.h"

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
  int count;
  int port;
  int i;
  char mac[18];
  if (argc != 3) {
    fprintf(stderr, "usage: %s COUNT PORT\n", argv[0]);
    return 2;
  }
  count = atoi(argv[1]);
  port = atoi(argv[2]);
  for (i = 0; i < count; ++i) {
    /* A different machine each time, as when waking a whole room. */
    snprintf(mac, sizeof mac, "00:11:22:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF,
             i & 0xFF);
    if (wol_send(mac, "127.0.0.1", port) != 0) {
      fprintf(stderr, "wake_loop: %s\n", wol_last_error());
      return 1;
    }
  }
  return 0;
}
