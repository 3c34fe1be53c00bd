/* A program built against an installed tarnwick-wol, the way a user's own
 * project would build. */
#include <tarnwick_wol.h>

#include <stdio.h>
#include <string.h>

int main(void) {
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  if (wol_packet("00:11:22:33:44:55", packet, (int)sizeof packet) != TARNWICK_WOL_PACKET_SIZE ||
      packet[6] != 0x00 || packet[7] != 0x11) {
    fprintf(stderr, "consumer: wol_packet failed: %s\n", wol_last_error());
    return 1;
  }
  printf("consumer: tarnwick-wol %s built a packet\n", wol_version());
  return strcmp(wol_version(), "1.0.0") == 0 ? 0 : 1;
}
