using System;
using System.Net;
using System.Net.NetworkInformation;

namespace Tarnwick.Wol;

/// <summary>
/// Wakes computers over the network by Wake-on-LAN: builds the 102-byte magic
/// packet for a MAC address, or sends it as one UDP datagram.
/// </summary>
/// <remarks>
/// <para>
/// A MAC address is written <c>AA:BB:CC:DD:EE:FF</c> (':' is the only
/// separator) or <c>AABBCCDDEEFF</c>, in any mix of upper and lower case.
/// </para>
/// <para>
/// Every failure is an exception whose <see cref="Exception.Message"/> is the
/// native library's own text, word for word: a fault in an argument is an
/// <see cref="ArgumentException"/> (<see cref="ArgumentNullException"/> for a
/// null MAC address, <see cref="ArgumentOutOfRangeException"/> for the port)
/// whose <see cref="ArgumentException.ParamName"/> names the argument and
/// whose Message carries no " (Parameter ...)" suffix; a failure to send is a
/// <see cref="WakeOnLanException"/>.
/// </para>
/// <para>
/// Safe from many threads: the library keeps one last-error text for the
/// whole process, so every member holds one lock around its call into the
/// library and the reading of that call's message. A thread always gets the
/// message of its own call. (Calls are short: a send hands one datagram to
/// the network stack and returns.)
/// </para>
/// </remarks>
public static class WakeOnLan
{
    /// <summary>The length of a magic packet: six 0xFF bytes, then the MAC address sixteen times.</summary>
    public const int PacketLength = 102;

    /// <summary>Where a wake-up goes when no address is given: the limited broadcast.</summary>
    public const string DefaultBroadcastAddress = "255.255.255.255";

    /// <summary>The UDP port a wake-up goes to when no port is given.</summary>
    public const int DefaultPort = 9;

    private static readonly object Gate = new object();

    /// <summary>The native library's version, such as "1.0.0".</summary>
    public static string LibraryVersion
    {
        get
        {
            lock (Gate)
            {
                NativeLibraryLoader.Load();
                return NativeMethods.FromCText(NativeMethods.wol_version());
            }
        }
    }

    /// <summary>Builds the magic packet for a MAC address.</summary>
    /// <param name="macAddress"><c>AA:BB:CC:DD:EE:FF</c> or <c>AABBCCDDEEFF</c>.</param>
    /// <returns>The 102 bytes of the packet.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="macAddress"/> is null.</exception>
    /// <exception cref="ArgumentException"><paramref name="macAddress"/> is not a MAC address in either form.</exception>
    public static byte[] CreatePacket(string macAddress)
    {
        byte[]? mac = NativeMethods.ToCText(macAddress);
        var packet = new byte[PacketLength];
        string? failure = null;
        lock (Gate)
        {
            NativeLibraryLoader.Load();
            if (NativeMethods.wol_packet(mac, packet, packet.Length) != PacketLength)
            {
                failure = NativeMethods.FromCText(NativeMethods.wol_last_error());
            }
        }
        if (failure != null)
        {
            throw LibraryErrors.For(failure, macAddress, 0);
        }
        return packet;
    }

    /// <summary>Builds the magic packet for a MAC address.</summary>
    /// <param name="macAddress">A six-byte hardware address, such as one from <see cref="NetworkInterface.GetPhysicalAddress"/>.</param>
    /// <returns>The 102 bytes of the packet.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="macAddress"/> is null.</exception>
    /// <exception cref="ArgumentException"><paramref name="macAddress"/> is not six bytes long.</exception>
    public static byte[] CreatePacket(PhysicalAddress macAddress) => CreatePacket(macAddress?.ToString()!);

    /// <summary>
    /// Sends the magic packet for a MAC address as one UDP datagram over IPv4,
    /// with broadcasting allowed.
    /// </summary>
    /// <param name="macAddress"><c>AA:BB:CC:DD:EE:FF</c> or <c>AABBCCDDEEFF</c>.</param>
    /// <param name="broadcastAddress">
    /// An IPv4 address in dotted-quad form, usually the broadcast address of
    /// the sleeping machine's network (such as "192.168.1.255"). Null or ""
    /// sends to <see cref="DefaultBroadcastAddress"/>, 255.255.255.255.
    /// </param>
    /// <param name="port">The UDP port, up to 65535; 0 or negative sends to <see cref="DefaultPort"/>, 9.</param>
    /// <exception cref="ArgumentNullException"><paramref name="macAddress"/> is null.</exception>
    /// <exception cref="ArgumentException"><paramref name="macAddress"/> or <paramref name="broadcastAddress"/> is malformed.</exception>
    /// <exception cref="ArgumentOutOfRangeException"><paramref name="port"/> is above 65535.</exception>
    /// <exception cref="WakeOnLanException">The datagram could not be sent.</exception>
    public static void Send(string macAddress, string? broadcastAddress = null, int port = DefaultPort)
    {
        byte[]? mac = NativeMethods.ToCText(macAddress);
        byte[]? address = NativeMethods.ToCText(broadcastAddress);
        string? failure = null;
        lock (Gate)
        {
            NativeLibraryLoader.Load();
            if (NativeMethods.wol_send(mac, address, port) != 0)
            {
                failure = NativeMethods.FromCText(NativeMethods.wol_last_error());
            }
        }
        if (failure != null)
        {
            throw LibraryErrors.For(failure, macAddress, port);
        }
    }

    /// <summary>
    /// Sends the magic packet for a MAC address as one UDP datagram over IPv4,
    /// with broadcasting allowed.
    /// </summary>
    /// <param name="macAddress">A six-byte hardware address.</param>
    /// <param name="broadcastAddress">An IPv4 address; null sends to 255.255.255.255.</param>
    /// <param name="port">The UDP port, up to 65535; 0 or negative sends to port 9.</param>
    /// <exception cref="ArgumentNullException"><paramref name="macAddress"/> is null.</exception>
    /// <exception cref="ArgumentException"><paramref name="macAddress"/> is not six bytes long, or <paramref name="broadcastAddress"/> is not IPv4.</exception>
    /// <exception cref="ArgumentOutOfRangeException"><paramref name="port"/> is above 65535.</exception>
    /// <exception cref="WakeOnLanException">The datagram could not be sent.</exception>
    public static void Send(PhysicalAddress macAddress, IPAddress? broadcastAddress = null, int port = DefaultPort) =>
        Send(macAddress?.ToString()!, broadcastAddress?.ToString(), port);
}
