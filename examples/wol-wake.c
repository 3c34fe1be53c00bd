/*
 * wol-wake: wakes a machine by Wake-on-LAN.
 *
 *   wol-wake MAC [ADDRESS [PORT]]
 *
 * Sends the magic packet for MAC to ADDRESS (default 255.255.255.255, the
 * local network's broadcast) on UDP PORT (default 9). Exits 0 once sent,
 * 1 when the library refuses or fails (its message goes to stderr), and 2
 * for a command line it cannot use.
 */
#include "tarnwick_wol.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>

static int usage(const char *program) {
  fprintf(stderr,
          "usage: %s MAC [ADDRESS [PORT]]\n"
          "  MAC      AA:BB:CC:DD:EE:FF or AABBCCDDEEFF\n"
          "  ADDRESS  IPv4 address to send to (default 255.255.255.255)\n"
          "  PORT     UDP port (default 9)\n",
          program);
  return 2;
}

/* Reads a whole decimal number that fits in an int into *port. */
static int parse_port(const char *text, int *port) {
  char *end = NULL;
  long value;
  errno = 0;
  value = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < INT_MIN || value > INT_MAX) {
    return 0;
  }
  *port = (int)value;
  return 1;
}

int main(int argc, char **argv) {
  const char *mac;
  const char *address = NULL;
  int port = 0;

  if (argc < 2 || argc > 4) {
    return usage(argv[0]);
  }
  mac = argv[1];
  if (argc >= 3) {
    address = argv[2];
  }
  if (argc == 4 && !parse_port(argv[3], &port)) {
    fprintf(stderr, "%s: PORT must be a number, not '%s'\n", argv[0], argv[3]);
    return 2;
  }

  if (wol_send(mac, address, port) != 0) {
    fprintf(stderr, "%s: %s\n", argv[0], wol_last_error());
    return 1;
  }
  printf("sent a magic packet for %s to %s, UDP port %d\n", mac,
         address != NULL && address[0] != '\0' ? address : "255.255.255.255", port > 0 ? port : 9);
  return 0;
}
