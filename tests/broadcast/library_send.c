/* One wol_send, for the namespace tests that need the library's own
 * result where a real send fails:
 *   library_send MAC ADDRESS PORT
 * Prints "RESULT LAST_ERROR" and exits 0. */
#include "tarnwick_wol.h"

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
  int result;
  if (argc != 4) {
    fprintf(stderr, "usage: library_send MAC ADDRESS PORT\n");
    return 2;
  }
  result = wol_send(argv[1], argv[2], atoi(argv[3]));
  printf("%d %s\n", result, wol_last_error());
  return 0;
}
