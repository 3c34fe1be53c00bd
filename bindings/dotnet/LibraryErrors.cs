using System;
using System.Runtime.Serialization;

namespace Tarnwick.Wol;

// The library's messages as the exceptions that .NET users expect: argument
// faults as ArgumentException (ArgumentNullException for a null MAC address,
// ArgumentOutOfRangeException for the port), with ParamName naming the
// argument, and every other failure as WakeOnLanException.
//
// .NET's argument exceptions add " (Parameter 'name')" (and for
// ArgumentOutOfRangeException the value) to Message once ParamName is set.
// The promise of this package is that Message is the library's text, exactly,
// so that a program can show it, log it or compare it; dropping ParamName
// would keep the text but lose what a debugger and an analyzer show. So the
// exceptions thrown are small subclasses of the three standard types that
// keep ParamName and give the library's text as Message.
internal static class LibraryErrors
{
    internal static Exception For(string message, string? macAddress, int port)
    {
        if (message.StartsWith("mac ", StringComparison.Ordinal))
        {
            return macAddress == null
                ? new LibraryArgumentNullException(message, "macAddress")
                : new LibraryArgumentException(message, "macAddress");
        }
        if (message.StartsWith("invalid broadcast_ip", StringComparison.Ordinal))
        {
            return new LibraryArgumentException(message, "broadcastAddress");
        }
        if (message.StartsWith("port ", StringComparison.Ordinal))
        {
            return new LibraryArgumentOutOfRangeException(message, "port", port);
        }
        return new WakeOnLanException(message);
    }
}

[Serializable]
internal sealed class LibraryArgumentException : ArgumentException
{
    private readonly string text;

    internal LibraryArgumentException(string message, string paramName)
        : base(message, paramName) => text = message;

    private LibraryArgumentException(SerializationInfo info, StreamingContext context)
        : base(info, context) => text = info.GetString(nameof(text)) ?? "";

    public override string Message => text;

    public override void GetObjectData(SerializationInfo info, StreamingContext context)
    {
        base.GetObjectData(info, context);
        info.AddValue(nameof(text), text);
    }
}

[Serializable]
internal sealed class LibraryArgumentNullException : ArgumentNullException
{
    private readonly string text;

    internal LibraryArgumentNullException(string message, string paramName)
        : base(paramName, message) => text = message;

    private LibraryArgumentNullException(SerializationInfo info, StreamingContext context)
        : base(info, context) => text = info.GetString(nameof(text)) ?? "";

    public override string Message => text;

    public override void GetObjectData(SerializationInfo info, StreamingContext context)
    {
        base.GetObjectData(info, context);
        info.AddValue(nameof(text), text);
    }
}

[Serializable]
internal sealed class LibraryArgumentOutOfRangeException : ArgumentOutOfRangeException
{
    private readonly string text;

    internal LibraryArgumentOutOfRangeException(string message, string paramName, object actualValue)
        : base(paramName, actualValue, message) => text = message;

    private LibraryArgumentOutOfRangeException(SerializationInfo info, StreamingContext context)
        : base(info, context) => text = info.GetString(nameof(text)) ?? "";

    public override string Message => text;

    public override void GetObjectData(SerializationInfo info, StreamingContext context)
    {
        base.GetObjectData(info, context);
        info.AddValue(nameof(text), text);
    }
}
