/*
 * wol-wake: wakes machines by Wake-on-LAN, on tarnwick-wol's public
 * interface alone.
 *
 *   wol-wake [OPTIONS] MAC...
 *   wol-wake [OPTIONS] -f FILE          FILE '-' is standard input
 *   wol-wake MAC ADDRESS [PORT]         the 1.0 form, still accepted
 *
 * Every target is tried, whatever happened to the ones before it. Exits 0
 * when every datagram went (with -n: every target was valid), 1 when any
 * target failed, 2 for a command line it cannot use.
 */
#include "system.h"
#include "tarnwick_wol.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define PROGRAM "wol-wake"

#ifndef WOL_WAKE_VERSION
#define WOL_WAKE_VERSION "unknown"
#endif

enum { EXIT_FAILED = 1, EXIT_USAGE = 2 };

/* The library's texts for what a dry run checks without the library. */
static const char kPortRange[] = "port out of range";
static const char kBadAddress[] = "invalid broadcast_ip (must be IPv4 dotted quad)";
static const char kDefaultAddress[] = "255.255.255.255";
enum { kDefaultPort = 9, kMaxPort = 65535 };

/* Longest file line read, without its line end. */
enum { kMaxLine = 1023 };
/* More subnets than any host has; past this -a fails. */
enum { kMaxBroadcasts = 64 };
enum { kMaxCount = 1000, kMaxWaitMs = 60000, kDefaultRepeatWaitMs = 100 };

static const char kUsage[] =
    "usage: wol-wake [OPTIONS] MAC...\n"
    "       wol-wake [OPTIONS] -f FILE          FILE '-' is standard input\n"
    "       wol-wake MAC ADDRESS [PORT]         the 1.0 form, still accepted\n"
    "  -i, --ip ADDRESS       IPv4 address to send to (default 255.255.255.255)\n"
    "  -p, --port PORT        UDP port (default 9)\n"
    "  -a, --all-interfaces   send to the directed broadcast of every IPv4 interface\n"
    "  -c, --count N          send each packet N times (default 1, at most 1000)\n"
    "  -w, --wait MS          wait MS milliseconds between packets (default 100 when N > 1)\n"
    "  -f, --file FILE        read targets from FILE, one 'MAC [ADDRESS [PORT]]' a line\n"
    "  -n, --dry-run          show what would be sent, send nothing\n"
    "  -q, --quiet            print only errors\n"
    "  -h, --help / -V, --version\n"
    "MAC: AA:BB:CC:DD:EE:FF, AABBCCDDEEFF, AA-BB-CC-DD-EE-FF or aabb.ccdd.eeff.\n"
    "In FILE, blank lines and text after '#' are ignored; a line's ADDRESS and\n"
    "PORT override -i and -p. Exit status: 0 all sent, 1 a target failed,\n"
    "2 a command line that cannot be used.\n";

enum option_id {
  OPT_IP,
  OPT_PORT,
  OPT_ALL,
  OPT_COUNT,
  OPT_WAIT,
  OPT_FILE,
  OPT_DRY,
  OPT_QUIET,
  OPT_HELP,
  OPT_VERSION
};

struct option_spec {
  char short_name;
  const char *long_name;
  int takes_value;
  enum option_id id;
};

static const struct option_spec kOptions[] = {
    {'i', "ip", 1, OPT_IP},
    {'p', "port", 1, OPT_PORT},
    {'a', "all-interfaces", 0, OPT_ALL},
    {'c', "count", 1, OPT_COUNT},
    {'w', "wait", 1, OPT_WAIT},
    {'f', "file", 1, OPT_FILE},
    {'n', "dry-run", 0, OPT_DRY},
    {'q', "quiet", 0, OPT_QUIET},
    {'h', "help", 0, OPT_HELP},
    {'V', "version", 0, OPT_VERSION},
};

/* Where the datagrams of a target go, and how. */
struct settings {
  const char *address; /* -i, or NULL */
  long long port;      /* -p; 0 and below mean 9 */
  int all_interfaces;
  int count;
  int wait_ms; /* -1: not given */
  int dry_run;
  int quiet;
};

struct run {
  struct settings settings;
  char broadcasts[kMaxBroadcasts][16];
  int broadcast_count;
  int sent_any;
  int failed;
};

/* --- messages ------------------------------------------------------------ */

static int usage_error(const char *format, const char *value) {
  fputs(PROGRAM ": ", stderr);
  fprintf(stderr, format, value);
  fputs("\nTry 'wol-wake --help' for more information.\n", stderr);
  return EXIT_USAGE;
}

/* Reports the failure of one target: `where` is "FILE:LINE" or NULL. */
static void target_failed(struct run *run, const char *where, const char *message) {
  if (where != NULL) {
    fprintf(stderr, PROGRAM ": %s: %s\n", where, message);
  } else {
    fprintf(stderr, PROGRAM ": %s\n", message);
  }
  run->failed = 1;
}

/* --- numbers and MAC forms --------------------------------------------- */

/* Reads a whole decimal number (with an optional sign) into *value; values
 * beyond long long's range saturate, which keeps their meaning here. */
static int parse_number(const char *text, long long *value) {
  char *end = NULL;
  errno = 0;
  *value = strtoll(text, &end, 10);
  return end != text && *end == '\0' && (errno == 0 || errno == ERANGE);
}

static int is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/* Whether `text` is twelve hex digits with `separator` after every
 * `group` of them (AA-BB-CC-DD-EE-FF: 2, aabb.ccdd.eeff: 4). */
static int is_grouped_mac(const char *text, char separator, int group) {
  const int length = 12 + 12 / group - 1;
  int i;
  for (i = 0; i < length; ++i) {
    const int is_separator_place = (i + 1) % (group + 1) == 0;
    if (text[i] == '\0' || (is_separator_place ? text[i] != separator : !is_hex(text[i]))) {
      return 0;
    }
  }
  return text[length] == '\0';
}

/* The text to hand the library: the forms that Windows (getmac, ipconfig)
 * and switches print, turned into AA:BB:CC:DD:EE:FF in `buffer`; any other
 * text unchanged, so that the library judges it. */
static const char *library_mac(const char *text, char buffer[18]) {
  size_t n = 0;
  if (!is_grouped_mac(text, '-', 2) && !is_grouped_mac(text, '.', 4)) {
    return text;
  }
  for (; *text != '\0'; ++text) {
    if (is_hex(*text)) {
      buffer[n++] = *text;
      if (n % 3 == 2) {
        buffer[n++] = ':';
      }
    }
  }
  buffer[17] = '\0'; /* in place of the sixth pair's ':' */
  return buffer;
}

/* --- one target --------------------------------------------------------- */

static void print_would_send(const char *mac, const char *address, int port,
                             const unsigned char *packet) {
  static const char kHex[] = "0123456789abcdef";
  char hex[2 * TARNWICK_WOL_PACKET_SIZE + 1];
  size_t i;
  for (i = 0; i < TARNWICK_WOL_PACKET_SIZE; ++i) {
    hex[2 * i] = kHex[packet[i] >> 4];
    hex[2 * i + 1] = kHex[packet[i] & 0xF];
  }
  hex[sizeof hex - 1] = '\0';
  printf("would send %s to %s:%d: %s\n", mac, address, port, hex);
}

/* Sends the packet for `mac` to `to` settings.count times, or shows it in a
 * dry run. Returns 0, or -1 once the failure is reported. */
static int deliver(struct run *run, const char *where, const char *mac, const unsigned char *packet,
                   const char *to, int port) {
  const struct settings *settings = &run->settings;
  int i;
  if (settings->dry_run && !system_is_ipv4(to)) {
    target_failed(run, where, kBadAddress);
    return -1;
  }
  for (i = 0; i < settings->count; ++i) {
    if (settings->dry_run) {
      print_would_send(mac, to, port, packet);
      continue;
    }
    if (run->sent_any && settings->wait_ms > 0) {
      fflush(stdout);
      system_sleep_ms(settings->wait_ms);
    }
    if (wol_send(mac, to, port) != 0) {
      target_failed(run, where, wol_last_error());
      return -1;
    }
    run->sent_any = 1;
    if (!settings->quiet) {
      printf("sent %s to %s:%d\n", mac, to, port);
    }
  }
  return 0;
}

/* Wakes one target: the packet for `mac_text` to `address` (NULL: -a's
 * broadcasts, or the default) on `port`. Failures are reported with
 * `where`. */
static void wake(struct run *run, const char *where, const char *mac_text, const char *address,
                 long long port) {
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  char buffer[18];
  const char *mac = library_mac(mac_text, buffer);
  int i;

  if (wol_packet(mac, packet, (int)sizeof packet) != TARNWICK_WOL_PACKET_SIZE) {
    target_failed(run, where, wol_last_error());
    return;
  }
  if (port > kMaxPort) {
    target_failed(run, where, kPortRange);
    return;
  }
  if (port <= 0) {
    port = kDefaultPort;
  }
  if (address == NULL && run->settings.all_interfaces) {
    /* One adapter that fails does not keep the others from trying. */
    for (i = 0; i < run->broadcast_count; ++i) {
      (void)deliver(run, where, mac, packet, run->broadcasts[i], (int)port);
    }
    return;
  }
  if (address == NULL || address[0] == '\0') {
    address = kDefaultAddress;
  }
  (void)deliver(run, where, mac, packet, address, (int)port);
}

/* --- files of targets ----------------------------------------------------- */

/* Splits `line` at spaces and tabs into at most `max` fields, up to a field
 * that begins with '#'. Returns the number of fields, or max + 1 when there
 * are more. */
static int split_fields(char *line, char **fields, int max) {
  int count = 0;
  char *p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t') {
      ++p;
    }
    if (*p == '\0' || *p == '#') {
      return count;
    }
    if (count == max) {
      return max + 1;
    }
    fields[count++] = p;
    while (*p != '\0' && *p != ' ' && *p != '\t') {
      ++p;
    }
    if (*p != '\0') {
      *p++ = '\0';
    }
  }
}

enum { kEndOfFile = -1, kLineTooLong = -2, kLineHasNul = -3 };

/* Reads one line without its end ("\n" or "\r\n") into `line`. Returns
 * the line's length, kEndOfFile, or kLineTooLong or kLineHasNul for a line
 * that cannot be used (read to its end all the same). */
static int read_line(FILE *file, char (*line)[kMaxLine + 2]) {
  int c;
  int length = 0;
  int result = 0;
  while ((c = getc(file)) != EOF && c != '\n') {
    if (c == '\0') {
      result = kLineHasNul;
    } else if (length <= kMaxLine) { /* one more, for a '\r' */
      (*line)[length++] = (char)c;
    }
  }
  if (c == EOF && length == 0 && result == 0) {
    return kEndOfFile;
  }
  if (length > 0 && (*line)[length - 1] == '\r') {
    --length;
  }
  if (length > kMaxLine && result == 0) {
    result = kLineTooLong;
  }
  (*line)[length] = '\0';
  return result != 0 ? result : length;
}

/* Wakes every target in the file `name` ('-': standard input). */
static void wake_file(struct run *run, const char *name) {
  const int is_stdin = strcmp(name, "-") == 0;
  const char *shown = is_stdin ? "(standard input)" : name;
  FILE *file = is_stdin ? stdin : fopen(name, "rb");
  char line[kMaxLine + 2];
  char where[4096];
  unsigned long number = 0;
  int targets = 0;
  int length;

  if (file == NULL) {
    snprintf(where, sizeof where, "%s: cannot open: %s", name, strerror(errno));
    target_failed(run, NULL, where);
    return;
  }
  while ((length = read_line(file, &line)) != kEndOfFile) {
    char *fields[3];
    int count;
    long long port = run->settings.port;
    ++number;
    snprintf(where, sizeof where, "%s:%lu", shown, number);
    if (length == kLineTooLong || length == kLineHasNul) {
      target_failed(run, where,
                    length == kLineTooLong ? "line longer than 1023 characters"
                                           : "NUL byte in line");
      ++targets;
      continue;
    }
    count = split_fields(line, fields, 3);
    if (count == 0) {
      continue;
    }
    ++targets;
    if (count > 3) {
      target_failed(run, where, "too many fields (expected MAC [ADDRESS [PORT]])");
      continue;
    }
    if (count == 3 && !parse_number(fields[2], &port)) {
      char message[64 + kMaxLine];
      snprintf(message, sizeof message, "PORT must be a number, not '%s'", fields[2]);
      target_failed(run, where, message);
      continue;
    }
    wake(run, where, fields[0], count >= 2 ? fields[1] : run->settings.address, port);
  }
  if (ferror(file)) {
    snprintf(where, sizeof where, "%s: cannot read: %s", shown, strerror(errno));
    target_failed(run, NULL, where);
  } else if (targets == 0) {
    snprintf(where, sizeof where, "%s: no target in the file", shown);
    target_failed(run, NULL, where);
  }
  if (!is_stdin) {
    fclose(file);
  }
}

/* --- -a ------------------------------------------------------------------ */

static void add_broadcast(void *context, const char *address) {
  struct run *run = (struct run *)context;
  int i;
  for (i = 0; i < run->broadcast_count; ++i) {
    if (strcmp(run->broadcasts[i], address) == 0) {
      return;
    }
  }
  if (run->broadcast_count < kMaxBroadcasts) {
    strncpy(run->broadcasts[run->broadcast_count], address, sizeof run->broadcasts[0] - 1);
  }
  ++run->broadcast_count; /* past kMaxBroadcasts: counted, then refused */
}

static int list_broadcasts(struct run *run) {
  char error[256];
  if (system_broadcasts(add_broadcast, run, error, sizeof error) != 0) {
    fprintf(stderr, PROGRAM ": %s\n", error);
    return 0;
  }
  if (run->broadcast_count > kMaxBroadcasts) {
    fprintf(stderr, PROGRAM ": more than %d subnets to broadcast to\n", kMaxBroadcasts);
    return 0;
  }
  if (run->broadcast_count == 0) {
    fputs(PROGRAM ": no IPv4 interface is up that can broadcast\n", stderr);
    return 0;
  }
  return 1;
}

/* --- the command line ----------------------------------------------------- */

static const struct option_spec *find_short(char name) {
  size_t i;
  for (i = 0; i < sizeof kOptions / sizeof kOptions[0]; ++i) {
    if (kOptions[i].short_name == name) {
      return &kOptions[i];
    }
  }
  return NULL;
}

static const struct option_spec *find_long(const char *name, size_t length) {
  size_t i;
  for (i = 0; i < sizeof kOptions / sizeof kOptions[0]; ++i) {
    if (strlen(kOptions[i].long_name) == length &&
        strncmp(kOptions[i].long_name, name, length) == 0) {
      return &kOptions[i];
    }
  }
  return NULL;
}

/* What the command line asks for. */
struct command {
  struct settings settings;
  const char **targets; /* MACs, or the 1.0 form's three words */
  int target_count;
  const char **files;
  int file_count;
  int help;
  int version;
};

/* Reads a number option into *out, within [low, high]. */
static int number_option(const char *name, const char *value, long long low, long long high,
                         long long *out) {
  if (!parse_number(value, out)) {
    char format[64];
    snprintf(format, sizeof format, "%s must be a number, not '%%s'", name);
    return usage_error(format, value);
  }
  if (*out < low || *out > high) {
    char format[96];
    snprintf(format, sizeof format, "%s must be from %lld to %lld, not '%%s'", name, low, high);
    return usage_error(format, value);
  }
  return 0;
}

static int apply_option(struct command *command, const struct option_spec *option,
                        const char *value) {
  struct settings *s = &command->settings;
  long long number = 0;
  int status = 0;
  switch (option->id) {
  case OPT_IP:
    s->address = value;
    break;
  case OPT_PORT:
    /* Any number: the library says what it makes of it. */
    status = number_option("PORT", value, LLONG_MIN, LLONG_MAX, &s->port);
    break;
  case OPT_ALL:
    s->all_interfaces = 1;
    break;
  case OPT_COUNT:
    status = number_option("N", value, 1, kMaxCount, &number);
    s->count = (int)number;
    break;
  case OPT_WAIT:
    status = number_option("MS", value, 0, kMaxWaitMs, &number);
    s->wait_ms = (int)number;
    break;
  case OPT_FILE:
    command->files[command->file_count++] = value;
    break;
  case OPT_DRY:
    s->dry_run = 1;
    break;
  case OPT_QUIET:
    s->quiet = 1;
    break;
  case OPT_HELP:
    command->help = 1;
    break;
  case OPT_VERSION:
    command->version = 1;
    break;
  }
  return status;
}

/* An argument that is an option: '-' and more, but not a negative number
 * (the 1.0 form's PORT may be one). */
static int is_option(const char *arg) {
  return arg[0] == '-' && arg[1] != '\0' && !(arg[1] >= '0' && arg[1] <= '9');
}

/* Applies an option that takes a value: `attached` (after '=' or the
 * letter), or else the next argument, to which *i then moves. */
static int with_value(struct command *command, const struct option_spec *option,
                      const char *attached, int argc, char **argv, int *i) {
  if (attached == NULL) {
    if (*i + 1 == argc) {
      return usage_error("option '%s' needs a value", argv[*i]);
    }
    attached = argv[++*i];
  }
  return apply_option(command, option, attached);
}

/* argv[*i] is --name, --name=value or --name value. Returns 0, or the usage
 * status after a message. */
static int parse_long_option(struct command *command, int argc, char **argv, int *i) {
  const char *arg = argv[*i];
  const char *equals = strchr(arg + 2, '=');
  const struct option_spec *option =
      find_long(arg + 2, equals != NULL ? (size_t)(equals - arg - 2) : strlen(arg + 2));
  if (option == NULL) {
    return usage_error("unknown option '%s'", arg);
  }
  if (!option->takes_value) {
    return equals != NULL ? usage_error("option '%s' takes no value", arg)
                          : apply_option(command, option, NULL);
  }
  return with_value(command, option, equals != NULL ? equals + 1 : NULL, argc, argv, i);
}

/* argv[*i] is -x, flags together (-nq), and the last may take a value
 * (-c3, -c 3). Returns 0, or the usage status after a message. */
static int parse_short_options(struct command *command, int argc, char **argv, int *i) {
  const char *p;
  for (p = argv[*i] + 1; *p != '\0'; ++p) {
    const char name[3] = {'-', *p, '\0'};
    const struct option_spec *option = find_short(*p);
    if (option == NULL) {
      return usage_error("unknown option '%s'", name);
    }
    if (option->takes_value) {
      return with_value(command, option, p[1] != '\0' ? p + 1 : NULL, argc, argv, i);
    }
    (void)apply_option(command, option, NULL);
  }
  return 0;
}

/* Parses argv into `command`: 0, or the usage status after a message. */
static int parse_command_line(int argc, char **argv, struct command *command) {
  int i;
  int options_end = 0;
  for (i = 1; i < argc; ++i) {
    if (!options_end && strcmp(argv[i], "--") == 0) {
      options_end = 1;
    } else if (options_end || !is_option(argv[i])) {
      command->targets[command->target_count++] = argv[i];
    } else {
      const int status = argv[i][1] == '-' ? parse_long_option(command, argc, argv, &i)
                                           : parse_short_options(command, argc, argv, &i);
      if (status != 0) {
        return status;
      }
    }
  }
  return 0;
}

/* Whether the targets are the 1.0 form: a MAC, then an IPv4 address (or
 * ""), then perhaps a PORT. Not for MACs alone: no MAC form is made of
 * digits and dots only. */
static int is_old_form(const struct command *command) {
  const char *address;
  size_t i;
  if (command->target_count < 2 || command->target_count > 3 || command->file_count > 0) {
    return 0;
  }
  address = command->targets[1];
  for (i = 0; address[i] != '\0'; ++i) {
    if (!(address[i] == '.' || (address[i] >= '0' && address[i] <= '9'))) {
      return 0;
    }
  }
  return address[0] == '\0' || strchr(address, '.') != NULL;
}

/* Does what the command line asks for; returns the exit status. */
static int wol_wake(int argc, char **argv, struct command *command) {
  struct run run;
  int status;
  int i;

  status = parse_command_line(argc, argv, command);
  if (status != 0) {
    return status;
  }
  if (command->help) {
    fputs(kUsage, stdout);
    return 0;
  }
  if (command->version) {
    printf("wol-wake %s (tarnwick-wol %s)\n", WOL_WAKE_VERSION, wol_version());
    return 0;
  }
  if (command->target_count == 0 && command->file_count == 0) {
    return usage_error("%s", "no MAC address and no -f FILE given");
  }
  if (is_old_form(command)) {
    if (command->settings.address != NULL) {
      return usage_error("%s", "an ADDRESS after the MAC and -i together");
    }
    command->settings.address = command->targets[1];
    if (command->target_count == 3 && !parse_number(command->targets[2], &command->settings.port)) {
      return usage_error("PORT must be a number, not '%s'", command->targets[2]);
    }
    command->target_count = 1;
  }
  if (command->settings.all_interfaces && command->settings.address != NULL) {
    return usage_error("%s", "-a sends to every interface's broadcast; it cannot go with -i");
  }

  memset(&run, 0, sizeof run);
  run.settings = command->settings;
  if (run.settings.wait_ms < 0) { /* not given */
    run.settings.wait_ms = run.settings.count > 1 ? kDefaultRepeatWaitMs : 0;
  }
  if (run.settings.all_interfaces && !list_broadcasts(&run)) {
    return EXIT_FAILED;
  }
  for (i = 0; i < command->target_count; ++i) {
    wake(&run, NULL, command->targets[i], run.settings.address, run.settings.port);
  }
  for (i = 0; i < command->file_count; ++i) {
    wake_file(&run, command->files[i]);
  }
  return run.failed ? EXIT_FAILED : 0;
}

int main(int argc, char **argv) {
  struct command command;
  int status = EXIT_FAILED;

  memset(&command, 0, sizeof command);
  command.settings.count = 1;
  command.settings.wait_ms = -1;
  command.targets = (const char **)calloc((size_t)argc, sizeof *command.targets);
  command.files = (const char **)calloc((size_t)argc, sizeof *command.files);
  if (command.targets != NULL && command.files != NULL) {
    status = wol_wake(argc, argv, &command);
  } else {
    fputs(PROGRAM ": out of memory\n", stderr);
  }
  free(command.targets);
  free(command.files);
  /* Output errors are checked here once, for every line written. */
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, PROGRAM ": cannot write the output: %s\n", strerror(errno));
    return EXIT_FAILED;
  }
  return status;
}
