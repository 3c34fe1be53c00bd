#!/usr/bin/env bash
# The PowerShell module as its users get it, in PowerShell 7:
#   powershell_test.sh REPOSITORY VERSION
# Installs PowerShell 7.6.9 as a .NET tool into build/dotnet/test/pwsh (not
# system-wide; kept for the next run), then runs module_test.ps1 in it, which
# installs the module from REPOSITORY (build/packages) and tests it. Needs
# the environment of scripts/test-dotnet.sh: HOME is in the build folder, so
# the module's "current user" installation and PSResourceGet's settings are
# too.
set -euo pipefail
repository=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
tools=$top/build/dotnet/test/pwsh
pwsh_version=7.6.9

case "$HOME" in
"$top"/build/*) ;;
*)
  echo "FAIL: run through scripts/test-dotnet.sh, which keeps HOME in the build folder" >&2
  exit 1
  ;;
esac

installed=$("$tools/pwsh" -NoProfile -NonInteractive -Command '$PSVersionTable.PSVersion.ToString()' 2>/dev/null || true)
if [ "$installed" != "$pwsh_version" ]; then
  rm -rf "$tools"
  dotnet tool install PowerShell --version "$pwsh_version" --tool-path "$tools" \
    --configfile "$top/tests/dotnet/nuget.config"
fi
# A module of an earlier run would stand in for the one under test.
rm -rf "$HOME/.local/share/powershell/Modules/TarnwickWol" "$HOME/.local/share/PSResourceGet"

"$tools/pwsh" -NoProfile -NonInteractive -File "$here/module_test.ps1" \
  -Repository "$repository" -Version "$version" -Pwsh "$tools/pwsh"
