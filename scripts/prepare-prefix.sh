#!/usr/bin/env bash
# Puts the test doubles of one architecture into the current WINEPREFIX: the stand-in MAPI
# library goes where programs of that kind load system DLLs from, system32 for 64-bit programs,
# syswow64 for 32-bit ones (a 64-bit prefix).
#   scripts/prepare-prefix.sh x86|x64 <build folder of that architecture>
set -euo pipefail
arch=$1
build_dir=$2
case "$arch" in
  x64) system_folder="$WINEPREFIX/drive_c/windows/system32" ;;
  x86) system_folder="$WINEPREFIX/drive_c/windows/syswow64" ;;
  *) echo "Unknown architecture '$arch'" >&2; exit 1 ;;
esac
if [ -f "$build_dir/bin/tools/mapi32.dll" ]; then
  cp "$build_dir/bin/tools/mapi32.dll" "$system_folder/mapi32.dll"
fi
