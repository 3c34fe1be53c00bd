/* A program built against tarnwick-wol the way a user's own project would
 * build it: from an installed tree (find_package or pkg-config) or as a
 * subproject. With a PORT it wakes 127.0.0.1:PORT, where
 * run_with_receiver.py listens.
 *
 *   consumer [PORT] */
#include <tarnwick_wol.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* A static library's users get its define from the package files. */
#if defined(CONSUMER_EXPECTS_STATIC) != defined(TARNWICK_WOL_STATIC)
#error "TARNWICK_WOL_STATIC does not match the kind of library linked"
#endif

int main(int argc, char **argv) {
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  if (wol_packet("00:11:22:33:44:55", packet, (int)sizeof packet) != TARNWICK_WOL_PACKET_SIZE ||
      packet[6] != 0x00 || packet[7] != 0x11) {
    fprintf(stderr, "consumer: wol_packet failed: %s\n", wol_last_error());
    return 1;
  }
  if (strcmp(wol_version(), "1.0.0") != 0) {
    fprintf(stderr, "consumer: version %s\n", wol_version());
    return 1;
  }
  if (argc > 1 && wol_send("0A:1B:2C:3D:4E:5F", "127.0.0.1", atoi(argv[argc - 1])) != 0) {
    fprintf(stderr, "consumer: wol_send failed: %s\n", wol_last_error());
    return 1;
  }
  printf("consumer: tarnwick-wol %s works\n", wol_version());
  return 0;
}
