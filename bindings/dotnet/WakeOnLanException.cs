using System;
using System.Runtime.Serialization;

namespace Tarnwick.Wol;

/// <summary>
/// A wake-up could not be sent: the socket layer did not start, no socket
/// could be opened, or the send failed. <see cref="Exception.Message"/> is the
/// library's own text, such as "sendto() failed".
/// </summary>
/// <remarks>
/// Faults in the arguments are <see cref="ArgumentException"/>s instead (see
/// <see cref="WakeOnLan"/>).
/// </remarks>
[Serializable]
public class WakeOnLanException : Exception
{
    /// <summary>A failure without a message.</summary>
    public WakeOnLanException()
    {
    }

    /// <summary>A failure with the given message.</summary>
    /// <param name="message">The library's text.</param>
    public WakeOnLanException(string message)
        : base(message)
    {
    }

    /// <summary>A failure with the given message, caused by another exception.</summary>
    /// <param name="message">The library's text.</param>
    /// <param name="innerException">The cause.</param>
    public WakeOnLanException(string message, Exception innerException)
        : base(message, innerException)
    {
    }

    /// <summary>Reads a serialized failure.</summary>
    /// <param name="info">The serialized data.</param>
    /// <param name="context">Where it comes from.</param>
    protected WakeOnLanException(SerializationInfo info, StreamingContext context)
        : base(info, context)
    {
    }
}
