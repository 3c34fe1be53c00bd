#!/usr/bin/env bash
# Installs, from Debian's archive, whichever of the packages that building
# and testing need are missing. With arguments, only those packages.
#   scripts/install-deps.sh [PACKAGE...]
# As root it installs them itself, as another user through sudo. A user
# without sudo is told which packages are missing and how to install them,
# and the script fails (exit 1); with nothing missing it needs no rights.
set -euo pipefail

updated=

# The packages of the arguments that are not installed.
missing_of() { # PACKAGE...
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
      echo "$package"
    fi
  done
}

as_root() { # COMMAND...
  if [ "$(id -u)" = 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

# The one-line hint when the packages cannot be installed; then exit 1.
# Installing them as root starts with adding the i386 architecture when
# $add_i386 is set.
add_i386=
cannot_install() { # PACKAGE...
  if [ "$(id -u)" = 0 ]; then
    echo "install-deps.sh: apt-get could not install: $*" >&2
  else
    echo "install-deps.sh: $# packages are missing, and installing them needs root: run" \
      "scripts/install-deps.sh as root (or install sudo), or as root:" \
      "${add_i386:+dpkg --add-architecture i386 && apt-get update && }apt-get install $*" >&2
  fi
  exit 1
}

install_missing() { # PACKAGE...
  local missing
  mapfile -t missing < <(missing_of "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" != 0 ] && ! command -v sudo >/dev/null; then
    cannot_install "${missing[@]}"
  fi
  echo "installing: ${missing[*]}"
  if [ -z "$updated" ]; then
    as_root apt-get update || cannot_install "${missing[@]}"
    updated=1
  fi
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}" ||
    cannot_install "${missing[@]}"
}

if [ $# -gt 0 ]; then
  install_missing "$@"
  exit 0
fi

# The sanitizer and libFuzzer runtimes: libclang-rt-dev goes with the
# distribution's default clang. The Linux cross builds (arm64, armhf,
# s390x): Debian's cross compilers, and qemu-user to run what they build.
# The 32-bit Windows build: mingw-w64 for i686, and Wine's 32-bit half,
# which comes from the i386 architecture.
packages=(
  cmake make g++ git googletest libgtest-dev
  pkg-config python3
  clang clang-tidy clang-format libclang-rt-dev
  valgrind
  g++-mingw-w64-x86-64 wine64
  llvm lld
  iproute2 tshark wakeonlan etherwake systemd
  dpkg-dev lintian debootstrap mandoc
  mono-mcs mono-runtime
  g++-aarch64-linux-gnu g++-arm-linux-gnueabihf g++-s390x-linux-gnu qemu-user
  g++-mingw-w64-i686 wine32:i386
)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  add_i386=1
  if [ "$(id -u)" = 0 ] || command -v sudo >/dev/null; then
    echo "adding the i386 architecture (for wine32)"
    as_root dpkg --add-architecture i386 || cannot_install "${packages[@]}"
    updated= # its package lists come with the next apt-get update
  fi
fi
install_missing "${packages[@]}"
