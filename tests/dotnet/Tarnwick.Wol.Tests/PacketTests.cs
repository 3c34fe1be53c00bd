using System.Net.NetworkInformation;

namespace Tarnwick.Wol.Tests;

public class PacketTests
{
    [Theory]
    [InlineData("0A:1B:2C:3D:4E:5F")]
    [InlineData("0a:1b:2c:3d:4e:5f")]
    [InlineData("0A1B2C3D4E5F")]
    [InlineData("0a:1B:2c:3D:4e:5F")]
    [InlineData("ff:ff:ff:ff:ff:ff")]
    [InlineData("000000000000")]
    public void IsSixFFBytesThenTheAddressSixteenTimes(string mac)
    {
        byte[] packet = WakeOnLan.CreatePacket(mac);

        Assert.Equal(WakeOnLan.PacketLength, packet.Length);
        Assert.Equal(Packets.Of(mac), packet);
    }

    [Fact]
    public void TakesAPhysicalAddress()
    {
        var address = new PhysicalAddress(new byte[] { 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F });

        Assert.Equal(Packets.Of("0A1B2C3D4E5F"), WakeOnLan.CreatePacket(address));
    }
}
