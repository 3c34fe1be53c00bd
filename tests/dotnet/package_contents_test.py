#!/usr/bin/env python3
"""What the two packages hold, as their users receive them.

    package_contents_test.py PACKAGES_DIR VERSION

The NuGet package Tarnwick.Wol: exactly its files; the metadata users look
at (id, version, MIT licence expression, README, tags, no dependency); for
each runtime a native library of the right kind (PE32 for win-x86, PE32+ for
win-x64, the ELF class, byte order and machine of each Linux runtime, and
the hard-float ABI for linux-arm) that exports exactly the four functions
(tests/packaging/exports_test.sh, which also proves the x86 DLL's functions
__stdcall). The PowerShell module's package TarnwickWol: exactly its files,
the PowerShell Gallery's tags, the manifest's version, and the same assembly
and native libraries, byte for byte.
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
EXPORTS_TEST = os.path.join(HERE, "..", "packaging", "exports_test.sh")

# Runtime: (file name, kind of file).
RUNTIMES = {
    "win-x64": ("tarnwick-wol.dll", "PE32+ x86-64 DLL"),
    "win-x86": ("tarnwick-wol.dll", "PE32 i386 DLL"),
    "linux-x64": ("libtarnwick-wol.so", "ELF64 little-endian x86-64 shared object"),
    "linux-arm64": ("libtarnwick-wol.so", "ELF64 little-endian aarch64 shared object"),
    "linux-arm": ("libtarnwick-wol.so", "ELF32 little-endian arm hard-float shared object"),
    "linux-s390x": ("libtarnwick-wol.so", "ELF64 big-endian s390 shared object"),
}
NATIVE = {f"runtimes/{rid}/native/{name}" for rid, (name, _) in RUNTIMES.items()}
# Files that NuGet adds to every package (the .psmdcp is named by a hash,
# or nuget.psmdcp in a deterministic pack).
NUGET_PARTS = {"_rels/.rels", "[Content_Types].xml"}
PSMDCP = re.compile(r"^package/services/metadata/core-properties/[^/]+\.psmdcp$")

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print(f"FAIL: {what}", flush=True)


def check_files(package, expected):
    names = {name for name in package.namelist() if not PSMDCP.match(name)}
    missing, extra = expected - names, names - expected
    check(not missing, f"{package.filename} lacks {sorted(missing)}")
    check(not extra, f"{package.filename} also holds {sorted(extra)}")


def nuspec(package):
    """The nuspec's metadata as {tag: text}, without XML namespaces."""
    name = next(n for n in package.namelist() if n.endswith(".nuspec") and "/" not in n)
    root = ElementTree.fromstring(package.read(name))
    metadata = next(e for e in root if e.tag.endswith("metadata"))
    return {e.tag.split("}")[-1]: e for e in metadata}


def pe_kind(data):
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[header:header + 4] != b"PE\0\0":
        return "not a PE file"
    machine, = struct.unpack_from("<H", data, header + 4)
    characteristics, magic = struct.unpack_from("<HH", data, header + 22)
    return " ".join([
        {0x10B: "PE32", 0x20B: "PE32+"}.get(magic, f"magic {magic:#x}"),
        {0x14C: "i386", 0x8664: "x86-64"}.get(machine, f"machine {machine:#x}"),
        "DLL" if characteristics & 0x2000 else "EXE",
    ])


def elf_kind(data):
    if data[:4] != b"\x7fELF":
        return "not an ELF file"
    is64, order = data[4] == 2, "<" if data[5] == 1 else ">"
    kind, machine = struct.unpack_from(order + "HH", data, 16)
    flags, = struct.unpack_from(order + "I", data, 48 if is64 else 36)
    name = {62: "x86-64", 183: "aarch64", 40: "arm", 22: "s390"}.get(machine, f"machine {machine}")
    if machine == 40:
        name += " hard-float" if flags & 0x400 else " soft-float"  # EF_ARM_ABI_FLOAT_HARD
    return " ".join([
        "ELF64" if is64 else "ELF32",
        "little-endian" if order == "<" else "big-endian",
        name,
        "shared object" if kind == 3 else f"type {kind}",
    ])


def check_natives(package, folder):
    for rid, (name, kind) in RUNTIMES.items():
        path = f"runtimes/{rid}/native/{name}"
        if path not in package.namelist():
            continue  # reported by check_files
        data = package.read(path)
        got = pe_kind(data) if name.endswith(".dll") else elf_kind(data)
        print(f"{rid}: {got}", flush=True)
        check(got == kind, f"{path} is a {got}, not a {kind}")
        target = os.path.join(folder, rid, name)
        os.makedirs(os.path.dirname(target))
        with open(target, "wb") as out:
            out.write(data)
        run = subprocess.run(["bash", EXPORTS_TEST, target, "nm", "objdump"],
                             capture_output=True, text=True, check=False)
        print(run.stdout + run.stderr, end="", flush=True)
        check(run.returncode == 0, f"{path}: exports_test.sh failed")


def check_nuget(path, version, folder):
    with zipfile.ZipFile(path) as package:
        check_files(package, NUGET_PARTS | NATIVE | {
            "Tarnwick.Wol.nuspec", "README.md", "LICENSE",
            "lib/netstandard2.0/Tarnwick.Wol.dll", "lib/netstandard2.0/Tarnwick.Wol.xml",
            "build/net462/Tarnwick.Wol.targets", "buildTransitive/net462/Tarnwick.Wol.targets",
        })
        meta = nuspec(package)
        check(meta["id"].text == "Tarnwick.Wol", f"package id {meta['id'].text}")
        check(meta["version"].text == version, f"package version {meta['version'].text}, not {version}")
        licence = meta.get("license")
        check(licence is not None and licence.get("type") == "expression" and licence.text == "MIT",
              "the licence is not the expression MIT")
        check(meta.get("readme") is not None and meta["readme"].text == "README.md", "no package README")
        tags = (meta["tags"].text or "").split() if "tags" in meta else []
        check("wake-on-lan" in tags, f"tags {tags}")
        check(len((meta["description"].text or "").split()) > 10, "no real description")
        dependencies = meta.get("dependencies")
        groups = [] if dependencies is None else list(dependencies)
        check([g.get("targetFramework") for g in groups] == [".NETStandard2.0"] and not list(groups[0]),
              "the package should depend on nothing, for netstandard2.0")
        check_natives(package, folder)
        return {name: package.read(name) for name in package.namelist()}


def check_module(path, version, nuget):
    with zipfile.ZipFile(path) as package:
        check_files(package, NUGET_PARTS | NATIVE | {
            "TarnwickWol.nuspec", "TarnwickWol.psd1", "TarnwickWol.psm1", "Tarnwick.Wol.dll",
            "LICENSE", "en-US/about_TarnwickWol.help.txt",
        })
        meta = nuspec(package)
        check(meta["id"].text == "TarnwickWol", f"module package id {meta['id'].text}")
        check(meta["version"].text == version, f"module package version {meta['version'].text}")
        tags = (meta["tags"].text or "").split()
        for tag in ["PSModule", "PSFunction_Send-WakeOnLan", "PSCommand_Send-WakeOnLan",
                    "PSFunction_Get-WakeOnLanPacket", "PSCommand_Get-WakeOnLanPacket", "PSIncludes_Function"]:
            check(tag in tags, f"the module package lacks the tag {tag}")
        manifest = package.read("TarnwickWol.psd1").decode()
        found = re.search(r"^\s*ModuleVersion\s*=\s*'([^']*)'", manifest, re.M)
        check(found is not None and found.group(1) == version, f"the manifest's version is not {version}")
        check(package.read("Tarnwick.Wol.dll") == nuget.get("lib/netstandard2.0/Tarnwick.Wol.dll"),
              "the module's assembly is not the NuGet package's")
        for name in NATIVE:
            check(name in package.namelist() and package.read(name) == nuget.get(name),
                  f"the module's {name} is not the NuGet package's")


def main():
    folder, version = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        nuget = check_nuget(os.path.join(folder, f"Tarnwick.Wol.{version}.nupkg"), version, work)
    check_module(os.path.join(folder, f"TarnwickWol.{version}.nupkg"), version, nuget)
    if failures:
        print(f"package contents: {len(failures)} problems", file=sys.stderr)
        return 1
    print("ok: both packages hold what they should")
    return 0


if __name__ == "__main__":
    sys.exit(main())
