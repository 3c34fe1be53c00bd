// Wakes a machine from C#:  wol.exe MAC [ADDRESS [PORT]]
// Build: csc (or Mono's mcs) -out:wol.exe Program.cs TarnwickWol.cs
using System;

static class Program
{
    static int Main(string[] args)
    {
        if (args.Length < 1 || args.Length > 3)
        {
            Console.Error.WriteLine("usage: wol MAC [ADDRESS [PORT]]");
            return 2;
        }
        string address = args.Length > 1 ? args[1] : null;
        int port = 0;
        if (args.Length > 2 && !int.TryParse(args[2], out port))
        {
            Console.Error.WriteLine("wol: PORT must be a number, not '" + args[2] + "'");
            return 2;
        }
        if (TarnwickWol.wol_send(args[0], address, port) != 0)
        {
            Console.Error.WriteLine("wol: " + TarnwickWol.LastError);
            return 1;
        }
        Console.WriteLine("sent " + args[0] + " with tarnwick-wol " + TarnwickWol.Version);
        return 0;
    }
}
