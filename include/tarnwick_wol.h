/*
 * tarnwick-wol: wake computers over the network by Wake-on-LAN.
 *
 * Four plain C functions. Each one that can fail returns -1 and leaves a
 * fixed English message in a process-wide text that wol_last_error()
 * returns. There are no handles, no initialisation call and no callbacks.
 *
 * Threads: the last-error text and the "socket layer started" flag are
 * shared by the whole process without locks, so a host that calls from
 * several threads must serialise its calls and read wol_last_error()
 * before another thread's call can replace it.
 */
#ifndef TARNWICK_WOL_H
#define TARNWICK_WOL_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TARNWICK_WOL_STATIC)
#define TARNWICK_WOL_API
#elif defined(_WIN32)
#if !defined(TARNWICK_WOL_BUILDING)
#define TARNWICK_WOL_API __declspec(dllimport)
#elif defined(_M_IX86) || defined(__i386__)
/* x86: the .def file exports the functions under their plain names only;
 * dllexport would add their decorated names (_wol_send@12) too. */
#define TARNWICK_WOL_API
#else
#define TARNWICK_WOL_API __declspec(dllexport)
#endif
#else
#define TARNWICK_WOL_API __attribute__((visibility("default")))
#endif

/* The calling convention of the four functions. On 32-bit x86 Windows it
 * is __stdcall, as for the Windows API, because some hosts (VBA's and VB6's
 * Declare) can call nothing else; everywhere else it is empty: the
 * platform's default C convention. A pointer to one of the functions needs
 * it too:  int (TARNWICK_WOL_CALL *send)(const char *, const char *, int); */
#if defined(_WIN32) && (defined(_M_IX86) || defined(__i386__))
#define TARNWICK_WOL_CALL __stdcall
#else
#define TARNWICK_WOL_CALL
#endif

/* Size in bytes of a Wake-on-LAN magic packet: six 0xFF bytes followed by
 * sixteen copies of the six-byte MAC address. */
#define TARNWICK_WOL_PACKET_SIZE 102

/*
 * The library's version text, "1.0.0". Never NULL; the same pointer on
 * every call. Cannot fail; leaves the last error untouched.
 */
TARNWICK_WOL_API const char *TARNWICK_WOL_CALL wol_version(void);

/*
 * The message of the most recent failure, or "" when there was none since
 * the library was loaded or since the last wol_send() began. Never NULL;
 * the same pointer on every call; the text stays valid while the library
 * is loaded. Cannot fail; leaves the last error untouched.
 */
TARNWICK_WOL_API const char *TARNWICK_WOL_CALL wol_last_error(void);

/*
 * Builds the 102-byte magic packet for the MAC address in `mac` into `buf`,
 * which holds `buf_len` bytes. `mac` is either AA:BB:CC:DD:EE:FF (':' is
 * the only separator) or AABBCCDDEEFF, hex digits in either case.
 *
 * Returns 102 and writes exactly buf[0..101]; the last error is left as it
 * was. On failure returns -1, writes nothing to `buf`, and leaves one of
 * these messages, checked in this order:
 *   "buf too small for 102-byte WoL packet"           buf_len below 102
 *   "buf is NULL"                                     buf is NULL
 *   "mac is NULL or empty"
 *   "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF"   a ':' is missing
 *   "mac contains non-hex characters"                 a digit is missing,
 *                                                     or is not hex
 *   "mac has wrong length (expected 12 or 17 chars)"  text after the address
 * No character after the terminating NUL of `mac` is read.
 */
TARNWICK_WOL_API int TARNWICK_WOL_CALL wol_packet(const char *mac, unsigned char *buf, int buf_len);

/*
 * Sends the magic packet for `mac` as one UDP datagram over IPv4, with
 * broadcasting enabled, to `broadcast_ip` (dotted quad; NULL or "" means
 * "255.255.255.255") on `port` (0 or negative means 9).
 *
 * Empties the last error first. Returns 0 once the whole datagram was
 * handed to the network stack. On failure returns -1 and leaves either a
 * message of wol_packet() for a bad `mac` or one of these, in this order:
 *   "port out of range"                                 port above 65535
 *   "WSAStartup failed"        the socket layer did not start; the next
 *                              call tries again
 *   "socket() failed (winsock not initialized)"
 *   "invalid broadcast_ip (must be IPv4 dotted quad)"
 *   "sendto() failed"              error code 0 or above 999
 *   "sendto() failed (WSA error)"  error code 1 to 999, or negative
 * The socket opened by a call is always closed before it returns.
 */
TARNWICK_WOL_API int TARNWICK_WOL_CALL wol_send(const char *mac, const char *broadcast_ip,
                                                int port);

#ifdef __cplusplus
}
#endif

#endif /* TARNWICK_WOL_H */
