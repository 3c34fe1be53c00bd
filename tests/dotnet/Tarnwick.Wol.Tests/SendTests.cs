using System.Net;
using System.Net.NetworkInformation;

namespace Tarnwick.Wol.Tests;

// Every send names 127.0.0.1: nothing here goes to the default broadcast.
public class SendTests
{
    [Theory]
    [InlineData("0A:1B:2C:3D:4E:5F")]
    [InlineData("0a1b2c3d4e5f")]
    public void OneDatagramReachesTheAddressAndPort(string mac)
    {
        using var receiver = new LoopbackReceiver();

        WakeOnLan.Send(mac, "127.0.0.1", receiver.Port);

        Assert.Equal(Packets.Of(mac), receiver.Receive());
        receiver.AssertNothingArrived();
    }

    [Fact]
    public void TakesAPhysicalAddressAndAnIPAddress()
    {
        using var receiver = new LoopbackReceiver();
        var mac = new PhysicalAddress(new byte[] { 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F });

        WakeOnLan.Send(mac, IPAddress.Loopback, receiver.Port);

        Assert.Equal(Packets.Of("0A1B2C3D4E5F"), receiver.Receive());
    }
}
