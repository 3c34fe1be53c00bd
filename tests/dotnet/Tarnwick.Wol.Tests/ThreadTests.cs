using System;
using System.Collections.Concurrent;
using System.Linq;
using System.Threading;

namespace Tarnwick.Wol.Tests;

// The library keeps one last-error text for the whole process. Threads that
// mix good and bad calls must each get the message of their own call: a
// good send empties the text, and a bad call of another thread replaces it.
public class ThreadTests
{
    private const int Threads = 8;
    private const int Rounds = 4000;

    [Fact]
    public void EachThreadGetsTheMessageOfItsOwnCall()
    {
        using var receiver = new LoopbackReceiver();
        const string good = "0A:1B:2C:3D:4E:5F";
        byte[] packet = Packets.Of(good);
        var calls = new (Func<string?> Call, string? Message)[]
        {
            (() => WakeOnLan.CreatePacket(good).SequenceEqual(packet) ? null : "wrong packet", null),
            (() => { WakeOnLan.Send(good, "127.0.0.1", receiver.Port); return null; }, null),
            (() => { WakeOnLan.CreatePacket("0A-1B-2C-3D-4E-5F"); return null; }, "mac contains non-hex characters"),
            (() => { WakeOnLan.CreatePacket("0A:1B2C3D4E5F"); return null; }, "mac must be AA:BB:CC:DD:EE:FF or AABBCCDDEEFF"),
            (() => { WakeOnLan.Send(good, "127.0.0.1", 65536); return null; }, "port out of range"),
            (() => { WakeOnLan.Send(good, "127.1", receiver.Port); return null; }, "invalid broadcast_ip (must be IPv4 dotted quad)"),
            (() => { WakeOnLan.Send("0A:1B:2C:3D:4E:5F:60", "127.0.0.1", receiver.Port); return null; },
                "mac has wrong length (expected 12 or 17 chars)"),
        };
        var wrong = new ConcurrentQueue<string>();
        using var start = new Barrier(Threads);
        Thread[] workers = Enumerable.Range(0, Threads).Select(thread => new Thread(() =>
        {
            if (!start.SignalAndWait(TimeSpan.FromSeconds(60)))
            {
                wrong.Enqueue($"thread {thread} did not start with the others");
                return;
            }
            for (int round = 0; round < Rounds; round++)
            {
                var (call, expected) = calls[(thread + round) % calls.Length];
                string? got;
                try
                {
                    got = call();
                }
                catch (Exception error)
                {
                    got = error.Message;
                }
                if (got != expected)
                {
                    wrong.Enqueue($"expected \"{expected}\", got \"{got}\"");
                }
            }
        })).ToArray();

        foreach (Thread worker in workers)
        {
            worker.Start();
        }
        foreach (Thread worker in workers)
        {
            Assert.True(worker.Join(TimeSpan.FromSeconds(120)), "a thread did not finish in 120 s");
        }

        Assert.True(wrong.IsEmpty, $"{wrong.Count} of {Threads * Rounds} calls got another call's outcome, such as: " +
            string.Join("; ", wrong.Take(5)));
    }
}
