using System;
using System.Collections.Generic;
using System.IO;
using System.Reflection;
using System.Runtime.InteropServices;

namespace Tarnwick.Wol;

// Finds the native library where the package puts it, before the first call.
//
// .NET (Core 3.0 and later) reads runtimes/RID/native/ from the application's
// deps.json by itself. Where there is none (a PowerShell module, a plug-in
// loaded from a folder), this assembly's DllImport resolver loads
// runtimes/RID/native/ beside the assembly, then lets .NET search as usual,
// then, on Linux, tries libtarnwick-wol.so.1, the name under which the
// runtime package of a Linux distribution installs it. NativeLibrary is not
// part of netstandard2.0, so the resolver is set through reflection.
//
// .NET Framework has no resolver and reads no runtimes/ folder: the package's
// .targets file copies the DLL that matches the project's platform, beside
// the program for x86 or x64 and into x86\ and x64\ for AnyCPU. Here the DLL
// that matches the process is loaded by its full path before the first
// P/Invoke, and Windows then gives that module to the DllImport of the same
// name.
internal static class NativeLibraryLoader
{
    // Guarded by the lock of WakeOnLan, which calls Load before every call.
    private static bool loaded;

    private delegate bool TryLoadByPath(string libraryPath, out IntPtr handle);

    private delegate bool TryLoadByName(
        string libraryName, Assembly assembly, DllImportSearchPath? searchPath, out IntPtr handle);

    private static TryLoadByPath? tryLoadByPath;
    private static TryLoadByName? tryLoadByName;

    internal static void Load()
    {
        if (loaded)
        {
            return;
        }
        loaded = true;
        if (SetResolver() || Environment.OSVersion.Platform != PlatformID.Win32NT)
        {
            return;
        }
        // .NET Framework (or Mono) on Windows. RuntimeInformation is left
        // alone here: .NET Framework before 4.7.1 has it only from a facade
        // that the program must carry, and Mono's may be missing.
        foreach (string path in BundledCandidates("win", IntPtr.Size == 8 ? "x64" : "x86"))
        {
            if (File.Exists(path) && LoadLibraryW(path) != IntPtr.Zero)
            {
                return;
            }
        }
    }

    /// <summary>Sets this assembly's DllImport resolver where the runtime has one.</summary>
    private static bool SetResolver()
    {
        Type? nativeLibrary = Type.GetType("System.Runtime.InteropServices.NativeLibrary", throwOnError: false);
        Type? resolverType = Type.GetType("System.Runtime.InteropServices.DllImportResolver", throwOnError: false);
        if (nativeLibrary == null || resolverType == null)
        {
            return false;
        }
        Type handle = typeof(IntPtr).MakeByRefType();
        MethodInfo? set = nativeLibrary.GetMethod(
            "SetDllImportResolver", new[] { typeof(Assembly), resolverType });
        MethodInfo? byPath = nativeLibrary.GetMethod("TryLoad", new[] { typeof(string), handle });
        MethodInfo? byName = nativeLibrary.GetMethod(
            "TryLoad", new[] { typeof(string), typeof(Assembly), typeof(DllImportSearchPath?), handle });
        MethodInfo? resolve = typeof(NativeLibraryLoader).GetMethod(
            nameof(Resolve), BindingFlags.NonPublic | BindingFlags.Static);
        if (set == null || byPath == null || byName == null || resolve == null)
        {
            return false;
        }
        tryLoadByPath = (TryLoadByPath)Delegate.CreateDelegate(typeof(TryLoadByPath), byPath);
        tryLoadByName = (TryLoadByName)Delegate.CreateDelegate(typeof(TryLoadByName), byName);
        try
        {
            set.Invoke(null, new object[] { typeof(NativeLibraryLoader).Assembly, Delegate.CreateDelegate(resolverType, resolve) });
        }
        catch (TargetInvocationException error) when (error.InnerException is InvalidOperationException)
        {
            // The host set this assembly's resolver first: it decides.
        }
        return true;
    }

    private static IntPtr Resolve(string libraryName, Assembly assembly, DllImportSearchPath? searchPath)
    {
        if (libraryName != NativeMethods.Library || tryLoadByPath == null || tryLoadByName == null)
        {
            return IntPtr.Zero;
        }
        string os = RuntimeInformation.IsOSPlatform(OSPlatform.Windows) ? "win"
            : RuntimeInformation.IsOSPlatform(OSPlatform.Linux) ? "linux"
            : "";
        // x86, x64, arm, arm64, s390x: the processor part of a runtime identifier.
        string arch = RuntimeInformation.ProcessArchitecture.ToString().ToLowerInvariant();
        IntPtr handle;
        foreach (string path in BundledCandidates(os, arch))
        {
            if (File.Exists(path) && tryLoadByPath(path, out handle))
            {
                return handle;
            }
        }
        if (tryLoadByName(libraryName, assembly, searchPath, out handle))
        {
            return handle;
        }
        if (os == "linux" && tryLoadByPath("libtarnwick-wol.so.1", out handle))
        {
            return handle;
        }
        // Nothing found: .NET searches again and names what it tried.
        return IntPtr.Zero;
    }

    /// <summary>Where the package's layouts put the library for an operating system and processor.</summary>
    private static IEnumerable<string> BundledCandidates(string os, string arch)
    {
        var folders = new List<string>();
        foreach (string? folder in new[] { AssemblyFolder(), AppDomain.CurrentDomain.BaseDirectory })
        {
            if (!string.IsNullOrEmpty(folder) && !folders.Contains(folder!))
            {
                folders.Add(folder!);
            }
        }
        foreach (string folder in folders)
        {
            if (os == "win")
            {
                yield return Path.Combine(folder, arch, "tarnwick-wol.dll");
                yield return Path.Combine(folder, "runtimes", "win-" + arch, "native", "tarnwick-wol.dll");
            }
            else if (os == "linux")
            {
                yield return Path.Combine(folder, "runtimes", "linux-" + arch, "native", "libtarnwick-wol.so");
            }
        }
    }

    private static string? AssemblyFolder()
    {
        string location = typeof(NativeLibraryLoader).Assembly.Location;
        return location.Length == 0 ? null : Path.GetDirectoryName(location);
    }

    [DllImport("kernel32", CharSet = CharSet.Unicode, ExactSpelling = true, SetLastError = true)]
    private static extern IntPtr LoadLibraryW(string path);
}
