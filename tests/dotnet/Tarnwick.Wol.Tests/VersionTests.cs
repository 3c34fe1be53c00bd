using System;
using System.IO;
using System.Linq;
using System.Reflection;

namespace Tarnwick.Wol.Tests;

public class VersionTests
{
    // The version the project built and referenced (-p:TarnwickWolVersion).
    private static readonly string PackageVersion = typeof(VersionTests).Assembly
        .GetCustomAttributes<AssemblyMetadataAttribute>().Single(a => a.Key == "TarnwickWolVersion").Value!;

    [Fact]
    public void TheLibraryTheAssemblyAndThePackageHaveOneVersion()
    {
        Assert.Equal(PackageVersion, WakeOnLan.LibraryVersion);
        Assert.Equal(PackageVersion, typeof(WakeOnLan).Assembly
            .GetCustomAttribute<AssemblyInformationalVersionAttribute>()!.InformationalVersion);
    }

    [Fact]
    public void TheLibraryComesFromThePackagesRuntimesFolder()
    {
        Assert.Equal(PackageVersion, WakeOnLan.LibraryVersion); // loaded by now

        // By the file's name: the folders above it may hold the name too.
        string[] mapped = File.ReadAllLines("/proc/self/maps")
            .Where(line => line.Contains('/'))
            .Select(line => line.Substring(line.IndexOf('/')))
            .Where(path => Path.GetFileName(path).StartsWith("libtarnwick-wol.so", StringComparison.Ordinal))
            .Distinct()
            .ToArray();
        string path = Assert.Single(mapped);
        Assert.EndsWith("/runtimes/linux-x64/native/libtarnwick-wol.so", path);
    }
}
