#!/usr/bin/env bash
# Installs, from Debian's archive, whichever of the packages that building
# and testing need are missing. With arguments, only those packages.
#   scripts/install-deps.sh [PACKAGE...]
set -euo pipefail

sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
updated=

install_missing() { # PACKAGE...
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  if [ -z "$updated" ]; then
    "${sudo[@]}" apt-get update
    updated=1
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

if [ $# -gt 0 ]; then
  install_missing "$@"
  exit 0
fi

install_missing \
  cmake make g++ git googletest libgtest-dev \
  pkg-config python3 \
  clang clang-tidy clang-format \
  valgrind \
  g++-mingw-w64-x86-64 wine64 \
  llvm lld \
  iproute2 tshark wakeonlan \
  dpkg-dev lintian \
  mono-mcs mono-runtime
# The sanitizer and libFuzzer runtimes come in a package named after the
# version of the clang just installed (libclang-rt-14-dev on Debian 12).
clang_major=$(clang -dumpversion | cut -d. -f1)
install_missing "libclang-rt-${clang_major}-dev"

# The Linux cross builds (arm64, armhf, s390x): Debian's cross compilers, and
# qemu-user to run what they build.
install_missing \
  g++-aarch64-linux-gnu g++-arm-linux-gnueabihf g++-s390x-linux-gnu qemu-user

# The 32-bit Windows build: mingw-w64 for i686, and Wine's 32-bit half, which
# comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "adding the i386 architecture (for wine32)"
  "${sudo[@]}" dpkg --add-architecture i386
  updated=
fi
install_missing g++-mingw-w64-i686 wine32:i386
