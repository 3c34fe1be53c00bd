using System;
using System.Net;
using System.Net.NetworkInformation;

namespace Tarnwick.Wol.Tests;

// Each of the library's messages as the exception a .NET program catches:
// its public type, ParamName, and Message exactly the library's text.
public class MessageTests
{
    private const string Good = "0A:1B:2C:3D:4E:5F";
    private const string NullOrEmpty = "mac is NULL or empty";
    private const string Colons = "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF";
    private const string NonHex = "mac contains non-hex characters";
    private const string Length = "mac has wrong length (expected 12 or 17 chars)";
    private const string Address = "invalid broadcast_ip (must be IPv4 dotted quad)";
    private const string Port = "port out of range";

    public static TheoryData<string?, Type, string> PacketCases => new()
    {
        { null, typeof(ArgumentNullException), NullOrEmpty },
        { "", typeof(ArgumentException), NullOrEmpty },
        { "0A:1B2C3D4E5F", typeof(ArgumentException), Colons },
        { "0A-1B-2C-3D-4E-5F", typeof(ArgumentException), NonHex },
        { "0A:1B:2C:3D:4E:5F:60", typeof(ArgumentException), Length },
        { "0A1B2C3D4E5F0", typeof(ArgumentException), Length },
        // A NUL would end the text early and the library would accept what
        // comes before it: the whole text must be judged.
        { "0A1B2C3D4E5F\0", typeof(ArgumentException), Length },
        { "0A:1B:2C:3D:4E:5F\0junk", typeof(ArgumentException), Length },
        { "\00A1B2C3D4E5F", typeof(ArgumentException), NonHex },
        // Not ASCII: no best-fit mapping may make a hex digit of it.
        { "ÄA1B2C3D4E5F", typeof(ArgumentException), NonHex },
        { "\uFF10A1B2C3D4E5F", typeof(ArgumentException), NonHex },
    };

    [Theory]
    [MemberData(nameof(PacketCases))]
    public void CreatePacketThrowsTheLibrarysMessage(string? mac, Type type, string message)
    {
        Exception error = Assert.ThrowsAny<Exception>(() => WakeOnLan.CreatePacket(mac!));

        AssertLibraryError(error, type, "macAddress", message);
    }

    // (MAC, address, port or null for the receiver's, exception, ParamName, message)
    public static TheoryData<string?, string, int?, Type, string, string> SendCases => new()
    {
        { null, "127.0.0.1", null, typeof(ArgumentNullException), "macAddress", NullOrEmpty },
        { "", "127.0.0.1", null, typeof(ArgumentException), "macAddress", NullOrEmpty },
        { "0A-1B-2C-3D-4E-5F", "127.0.0.1", null, typeof(ArgumentException), "macAddress", NonHex },
        { "0A:1B:2C:3D:4E:5F\0", "127.0.0.1", null, typeof(ArgumentException), "macAddress", Length },
        { Good, "127.0.0.1", 65536, typeof(ArgumentOutOfRangeException), "port", Port },
        { Good, "127.0.0.1", int.MaxValue, typeof(ArgumentOutOfRangeException), "port", Port },
        { Good, "127.1", null, typeof(ArgumentException), "broadcastAddress", Address },
        { Good, "::1", null, typeof(ArgumentException), "broadcastAddress", Address },
        { Good, "localhost", null, typeof(ArgumentException), "broadcastAddress", Address },
        { Good, "127.0.0.1\0", null, typeof(ArgumentException), "broadcastAddress", Address },
        // The library reports the first problem it finds; the exception
        // follows its message, not a guess from the arguments.
        { "0A-1B-2C-3D-4E-5F", "127.1", 65536, typeof(ArgumentException), "macAddress", NonHex },
        { Good, "127.1", 65536, typeof(ArgumentOutOfRangeException), "port", Port },
    };

    [Theory]
    [MemberData(nameof(SendCases))]
    public void SendThrowsTheLibrarysMessageAndSendsNothing(
        string? mac, string address, int? port, Type type, string param, string message)
    {
        using var receiver = new LoopbackReceiver();

        Exception error = Assert.ThrowsAny<Exception>(() => WakeOnLan.Send(mac!, address, port ?? receiver.Port));

        AssertLibraryError(error, type, param, message);
        if (error is ArgumentOutOfRangeException outOfRange)
        {
            Assert.Equal(port, outOfRange.ActualValue);
        }
        receiver.AssertNothingArrived();
    }

    public static TheoryData<Func<object?>, Type, string, string> TypedCases => new()
    {
        { () => WakeOnLan.CreatePacket((PhysicalAddress)null!), typeof(ArgumentNullException), "macAddress", NullOrEmpty },
        { () => WakeOnLan.CreatePacket(PhysicalAddress.None), typeof(ArgumentException), "macAddress", NullOrEmpty },
        { () => WakeOnLan.CreatePacket(new PhysicalAddress(new byte[8])), typeof(ArgumentException), "macAddress", Length },
        { () => { WakeOnLan.Send(PhysicalAddress.Parse("0A1B2C3D4E5F"), IPAddress.IPv6Loopback, 9); return null; },
            typeof(ArgumentException), "broadcastAddress", Address },
    };

    [Theory]
    [MemberData(nameof(TypedCases))]
    public void PhysicalAndIPAddressesGetTheSameMessages(Func<object?> call, Type type, string param, string message)
    {
        AssertLibraryError(Assert.ThrowsAny<Exception>(call), type, param, message);
    }

    // The failures that a send to 127.0.0.1 cannot provoke, as the library
    // reports them: none of them is a fault of an argument.
    [Theory]
    [InlineData("WSAStartup failed")]
    [InlineData("socket() failed (winsock not initialized)")]
    [InlineData("sendto() failed")]
    [InlineData("sendto() failed (WSA error)")]
    public void SendingFailuresAreWakeOnLanExceptions(string message)
    {
        Exception error = LibraryErrors.For(message, Good, 9);

        Assert.IsType<WakeOnLanException>(error);
        Assert.Equal(message, error.Message);
    }

    private static void AssertLibraryError(Exception error, Type type, string param, string message)
    {
        // The type a program catches: the first public one.
        Type caught = error.GetType();
        while (!caught.IsPublic)
        {
            caught = caught.BaseType!;
        }
        Assert.Equal(type, caught);
        Assert.Equal(message, error.Message);
        Assert.Equal(param, Assert.IsAssignableFrom<ArgumentException>(error).ParamName);
    }
}
