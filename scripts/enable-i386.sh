#!/usr/bin/env bash
# Makes sure this Linux machine can start Debian's 32-bit Wine loader (wine32:i386), which starts
# every 32-bit Windows program (and, through Debian's plain wine, every other one too). Some
# virtual machines run 64-bit Linux programs only ("Exec format error" for any i386 program);
# there the loader runs under qemu's user-mode emulation, registered with binfmt_misc. qemu
# before 8 spends about a minute of CPU on each Wine start; later ones a quarter of a second, so
# an older one is replaced. Installing and registering need root; a machine that runs i386
# programs itself is left as it is. scripts/build.sh sets this up with the other packages.
#   scripts/enable-i386.sh          installs and registers what is missing
#   scripts/enable-i386.sh --check  only tells (exit 1 with a message) whether that is still to do;
#                                   the Wine sessions call this, so they install nothing
set -euo pipefail
loader=/usr/lib/wine/wine
qemu=/usr/bin/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386

[ -x "$loader" ] || exit 0

qemu_major() {
  "$1" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p'
}
fast_enough() { [ "$(qemu_major "$1")" -ge 8 ] 2>/dev/null; }

check_only=false
[ "${1:-}" != "--check" ] || check_only=true

if [ -f "$entry" ]; then
  interpreter=$(sed -n 's/^interpreter //p' "$entry")
  if grep -qx enabled "$entry" && fast_enough "$interpreter"; then
    exit 0
  fi
  if $check_only; then
    echo "32-bit programs start through a qemu older than 8 (about a minute per Wine start); as root, scripts/enable-i386.sh replaces it." >&2
    exit 1
  fi
  echo -1 >"$entry"
fi
"$loader" --version >/dev/null 2>&1 && exit 0

if $check_only || [ "$(id -u)" -ne 0 ]; then
  echo "This machine cannot start 32-bit programs; as root, scripts/enable-i386.sh sets up qemu for them." >&2
  exit 1
fi
if ! fast_enough "$qemu"; then
  echo "This machine cannot start 32-bit programs: installing qemu's user-mode emulation for them"
  export DEBIAN_FRONTEND=noninteractive
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  release=()
  if [ "$codename" = bookworm ]; then
    # Debian 12's own qemu is 7.2; its backports carry a current one.
    echo "deb http://deb.debian.org/debian bookworm-backports main" \
      >/etc/apt/sources.list.d/brivane-bookworm-backports.list
    release=(-t bookworm-backports)
  fi
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${release[@]}" qemu-user >/dev/null
fi

[ -f "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
# The i386 ELF header; F opens the interpreter now, so it also serves other mount namespaces.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register"
if ! "$loader" --version >/dev/null 2>&1; then
  echo "Wine's 32-bit loader still does not start under $qemu" >&2
  exit 1
fi
