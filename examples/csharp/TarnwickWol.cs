// tarnwick-wol for C#: the four functions by P/Invoke. The same declarations
// serve .NET on Windows (tarnwick-wol.dll beside the program) and Mono or
// .NET on Linux (libtarnwick-wol.so on the library path). They name no
// calling convention: the default is the platform's own (Winapi), which is
// __stdcall on 32-bit Windows, as the 32-bit DLL's functions are, and the C
// convention everywhere else.
using System;
using System.Runtime.InteropServices;

public static class TarnwickWol
{
    const string Library = "tarnwick-wol";

    public const int PacketSize = 102;

    [DllImport(Library, CharSet = CharSet.Ansi)]
    public static extern int wol_send(string mac, string broadcastIp, int port);

    [DllImport(Library, CharSet = CharSet.Ansi)]
    public static extern int wol_packet(string mac, byte[] buf, int bufLen);

    // IntPtr, not string: the marshaller frees a returned string, and these
    // texts belong to the library. Read them with Marshal.PtrToStringAnsi.
    [DllImport(Library)]
    public static extern IntPtr wol_last_error();

    [DllImport(Library)]
    public static extern IntPtr wol_version();

    public static string LastError => Marshal.PtrToStringAnsi(wol_last_error());

    public static string Version => Marshal.PtrToStringAnsi(wol_version());
}
