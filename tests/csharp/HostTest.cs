// The C# binding as a host program under Mono, against the real library:
//   host_test.exe PORT    (run_with_receiver.py listens on 127.0.0.1:PORT)
// Prints each failed check; exits 1 on any.
using System;
using System.Runtime.InteropServices;

static class HostTest
{
    static int failures;

    static void Check(bool ok, string what)
    {
        if (!ok)
        {
            Console.Error.WriteLine("FAILED: " + what + " (last error: \"" + TarnwickWol.LastError + "\")");
            failures++;
        }
    }

    static int Main(string[] args)
    {
        Check(TarnwickWol.Version == "1.0.0", "version");
        var packet = new byte[TarnwickWol.PacketSize];
        Check(TarnwickWol.wol_packet("0a:1b:2c:3d:4e:5f", packet, packet.Length) == 102, "builds a packet");
        Check(packet[0] == 0xFF && packet[6] == 0x0A && packet[101] == 0x5F, "packet layout");

        // The message text belongs to the library: the same pointer on every
        // call, read and never freed, whatever the call before it left.
        Check(TarnwickWol.wol_send("0A-1B-2C-3D-4E-5F", "127.0.0.1", 9) == -1, "refuses a hyphenated MAC");
        IntPtr first = TarnwickWol.wol_last_error();
        Check(Marshal.PtrToStringAnsi(first) == "mac contains non-hex characters", "its message");
        Check(TarnwickWol.wol_send("0A:1B:2C:3D:4E:5F", "127.0.0.1", 65536) == -1, "refuses port 65536");
        Check(TarnwickWol.wol_last_error() == first, "the message keeps its address");
        Check(TarnwickWol.LastError == "port out of range", "the port message");
        Check(TarnwickWol.wol_send("0A:1B:2C:3D:4E:5F", "127.1", 9) == -1, "refuses 127.1");
        Check(TarnwickWol.LastError == "invalid broadcast_ip (must be IPv4 dotted quad)", "the address message");

        Check(TarnwickWol.wol_send("0A:1B:2C:3D:4E:5F", "127.0.0.1", int.Parse(args[0])) == 0, "wakes 127.0.0.1");
        Check(TarnwickWol.LastError == "", "a send leaves no message");
        Console.WriteLine("csharp host: " + (failures == 0 ? "ok" : "FAILED"));
        return failures == 0 ? 0 : 1;
    }
}
