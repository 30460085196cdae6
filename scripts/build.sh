#!/usr/bin/env bash
# Installs what is missing (Debian, as root), configures and builds the 32-bit and the 64-bit
# programs into build/x86 and build/x64 (below $BUILD_DIR when set).
#   scripts/build.sh [--arch x86|x64|all] [ninja targets...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
. "$top/scripts/arch.sh"

arch=all
if [ "${1:-}" = "--arch" ]; then
  arch=${2:?--arch needs x86, x64 or all}
  shift 2
fi
architectures=$(brivane_architectures "$arch")

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-tools googletest
          wine wine64 wine32:i386 xvfb locales python3 osslsigncode openssl wixl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Wine runs 32-bit programs with Debian's i386 packages.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Where this machine runs no 32-bit Linux programs, Wine's 32-bit loader needs qemu (only
# checked by the scripts that start Wine).
"$top/scripts/enable-i386.sh"
# Java for the demo client and the real-runtime test; the rest builds without it.
"$top/scripts/install-java.sh"

for a in $architectures; do
  if [ ! -f "$build_dir/$a/build.ninja" ]; then
    cmake --preset "mingw-$a" -S "$top" -B "$build_dir/$a" >/dev/null
  fi
  cmake --build "$build_dir/$a" -- -j"$(nproc)" "$@"
done
