// tarnwick-wol for C#: the four functions by P/Invoke. The same declarations
// serve .NET on Windows (tarnwick-wol.dll beside the program or on PATH) and
// Mono or .NET on Linux, where they load the runtime library by its versioned
// name, libtarnwick-wol.so.1: Mono through the dllmap in the program's
// .config file (wol.exe.config), .NET through the resolver below. They name
// no calling convention: the default is the platform's own (Winapi), which
// is __stdcall on 32-bit Windows, as the 32-bit DLL's functions are, and the
// C convention everywhere else.
using System;
using System.Runtime.InteropServices;

public static class TarnwickWol
{
    const string Library = "tarnwick-wol";

    public const int PacketSize = 102;

#if NET5_0_OR_GREATER
    // .NET (5 and later) ignores Mono's dllmap. On Linux this resolver loads
    // the runtime library by its versioned name, libtarnwick-wol.so.1, where
    // it is found; elsewhere, and where it is not, it returns nothing and
    // .NET searches as usual: tarnwick-wol.dll on Windows, the unversioned
    // libtarnwick-wol.so on Linux (the -dev package, or a NuGet package's
    // runtimes folder), beside the program or on the library path. It is
    // the assembly's one resolver: a program that sets its own must map the
    // name there.
    static TarnwickWol()
    {
        NativeLibrary.SetDllImportResolver(typeof(TarnwickWol).Assembly, (name, assembly, path) =>
            name == Library && OperatingSystem.IsLinux() &&
            NativeLibrary.TryLoad("libtarnwick-wol.so.1", assembly, path, out IntPtr handle)
                ? handle
                : IntPtr.Zero);
    }
#endif

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
