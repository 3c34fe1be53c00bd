using System;
using System.Linq;
using System.Net;
using System.Net.Sockets;

namespace Tarnwick.Wol.Tests;

/// <summary>A UDP receiver bound to 127.0.0.1 on a free port from construction on.</summary>
internal sealed class LoopbackReceiver : IDisposable
{
    private readonly UdpClient client = new UdpClient(new IPEndPoint(IPAddress.Loopback, 0));

    // A datagram sent to loopback is queued before sendto returns: the
    // timeout only bounds a failure.
    public LoopbackReceiver() => client.Client.ReceiveTimeout = 10_000;

    public int Port => ((IPEndPoint)client.Client.LocalEndPoint!).Port;

    public byte[] Receive()
    {
        IPEndPoint? from = null;
        return client.Receive(ref from);
    }

    /// <summary>
    /// Proves that nothing arrived before this call: sends the packet of a
    /// marker address, which must be the next datagram.
    /// </summary>
    public void AssertNothingArrived()
    {
        WakeOnLan.Send(Packets.Marker, "127.0.0.1", Port);
        Assert.Equal(Packets.Of(Packets.Marker), Receive());
    }

    public void Dispose() => client.Dispose();
}

internal static class Packets
{
    public const string Marker = "02:00:00:00:00:01";

    /// <summary>The magic packet for a MAC address written with or without colons.</summary>
    public static byte[] Of(string mac)
    {
        byte[] address = Convert.FromHexString(mac.Replace(":", ""));
        return Enumerable.Repeat((byte)0xFF, 6).Concat(Enumerable.Repeat(address, 16).SelectMany(b => b)).ToArray();
    }
}
