// Wakes 127.0.0.1 through the package, and checks that a refused MAC address
// arrives as the library's message:  Consumer PORT
using System;
using Tarnwick.Wol;

internal static class Program
{
    private static int Main(string[] args)
    {
        try
        {
            WakeOnLan.CreatePacket("0A-1B-2C-3D-4E-5F");
            Console.Error.WriteLine("FAIL: a hyphenated MAC address was accepted");
            return 1;
        }
        catch (ArgumentException error) when (error.Message == "mac contains non-hex characters" &&
                                              error.ParamName == "macAddress")
        {
        }
        WakeOnLan.Send("0A:1B:2C:3D:4E:5F", "127.0.0.1", int.Parse(args[0]));
        Console.WriteLine("sent with tarnwick-wol " + WakeOnLan.LibraryVersion);
        return 0;
    }
}
