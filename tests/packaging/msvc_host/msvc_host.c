/* A host program built the way Visual Studio builds one: compiled by
 * clang-cl for the MSVC target and linked by lld-link against
 * tarnwick-wol.lib, the import library in Microsoft's format. No Microsoft
 * C runtime is at hand here, so it uses nothing but kernel32 and the
 * library, with an entry point of its own.
 *
 *   msvc_host.exe PORT      wakes 127.0.0.1:PORT */
#include "tarnwick_wol.h"

typedef void *HANDLE;
#define STD_OUTPUT_HANDLE ((unsigned long)-11)
__declspec(dllimport) HANDLE __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void *data, unsigned long size,
                                              unsigned long *written, void *overlapped);
__declspec(dllimport) const char *__stdcall GetCommandLineA(void);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int code);

static void say(const char *text) {
  unsigned long size = 0;
  unsigned long written = 0;
  while (text[size] != '\0') {
    ++size;
  }
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, size, &written, 0);
}

/* The number at the end of the command line. */
static int last_number(const char *line) {
  const char *p = line;
  const char *digits = 0;
  int value = 0;
  for (; *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9' && (p == line || p[-1] == ' ')) {
      digits = p;
    }
  }
  for (p = digits; p != 0 && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
  }
  return value;
}

void start(void) {
  const int port = last_number(GetCommandLineA());
  if (wol_send("0A:1B:2C:3D:4E:5F", "127.0.0.1", port) != 0) {
    say("msvc_host: ");
    say(wol_last_error());
    say("\r\n");
    ExitProcess(1);
  }
  say("msvc_host: tarnwick-wol ");
  say(wol_version());
  say(" woke 127.0.0.1\r\n");
  ExitProcess(0);
}
