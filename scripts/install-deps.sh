#!/usr/bin/env bash
# Installs, from Debian's archive, whichever of the packages that building
# and testing need are missing. With arguments, only those packages.
#   scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  packages=(
    cmake make g++ googletest libgtest-dev    # the Linux build and its tests
    pkg-config python3                        # the consumer and Python host tests
    clang clang-tidy clang-format             # sanitizers, libFuzzer, lint, format
    libclang-rt-14-dev
    valgrind
    g++-mingw-w64-x86-64 wine64               # the Windows build, tested under Wine
    iproute2 tshark wakeonlan                 # the broadcast test on a virtual link
  )
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
echo "installing: ${missing[*]}"
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
