/* What wol-wake needs from the operating system beyond the library: the
 * interfaces' broadcast addresses, checking an address text, and waiting.
 * One file per platform implements it: system_posix.c, system_win32.c. */
#ifndef WOL_WAKE_SYSTEM_H
#define WOL_WAKE_SYSTEM_H

#include <stddef.h>

/* Calls `found` with the directed broadcast address (a dotted quad) of each
 * IPv4 address of each interface that is up, is not loopback and can
 * broadcast; an address may come more than once. Returns 0, or -1 with why
 * in `error` when the interfaces cannot be listed. */
typedef void (*system_broadcast_found)(void *context, const char *address);
int system_broadcasts(system_broadcast_found found, void *context, char *error, size_t error_size);

/* Whether the platform's inet_pton takes `text` as an IPv4 address, as the
 * library's own conversion does. */
int system_is_ipv4(const char *text);

/* Sleeps for `ms` milliseconds. */
void system_sleep_ms(int ms);

#endif
