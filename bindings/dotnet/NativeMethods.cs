using System;
using System.Runtime.InteropServices;
using System.Text;

namespace Tarnwick.Wol;

// The library's four functions, one set of declarations for every platform.
// CallingConvention.Winapi is named on purpose: it is __stdcall in a 32-bit
// Windows process, as the x86 DLL's functions are, and the platform's one C
// convention everywhere else (x64 Windows has a single convention; on Linux
// Winapi means Cdecl). Cdecl here would unbalance the stack on win-x86.
//
// Texts go in as NUL-terminated UTF-8 that this file makes itself, never
// through the marshaller's ANSI conversion, whose best-fit mapping on Windows
// could turn a character that is no hex digit into one. The texts that come
// back (version, last error) are the library's static storage: IntPtr, so
// that no marshaller frees them.
internal static class NativeMethods
{
    internal const string Library = "tarnwick-wol";

    [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)]
    internal static extern IntPtr wol_version();

    [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)]
    internal static extern IntPtr wol_last_error();

    [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)]
    internal static extern int wol_packet(byte[]? mac, [Out] byte[] buf, int bufLen);

    [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)]
    internal static extern int wol_send(byte[]? mac, byte[]? broadcastIp, int port);

    /// <summary>
    /// The text as the library reads it: UTF-8 and a terminating NUL, or null
    /// for null. A NUL inside the text would end it early, and the library
    /// would judge only what comes before it ("AA:BB:CC:DD:EE:FF\0junk" would
    /// pass); it goes as the byte 0xFF instead, which no UTF-8 text holds, so
    /// that the library sees the whole text and names its fault itself.
    /// </summary>
    internal static byte[]? ToCText(string? text)
    {
        if (text == null)
        {
            return null;
        }
        var bytes = new byte[Encoding.UTF8.GetByteCount(text) + 1];
        Encoding.UTF8.GetBytes(text, 0, text.Length, bytes, 0);
        for (int i = 0; i < bytes.Length - 1; i++)
        {
            if (bytes[i] == 0)
            {
                bytes[i] = 0xFF;
            }
        }
        return bytes;
    }

    /// <summary>One of the library's texts, copied; the pointer stays the library's.</summary>
    internal static string FromCText(IntPtr text) =>
        text == IntPtr.Zero ? "" : Marshal.PtrToStringAnsi(text) ?? "";
}
