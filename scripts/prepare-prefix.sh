#!/usr/bin/env bash
# Puts the test doubles into the current WINEPREFIX: the stand-in MAPI library goes into the
# system folder, where the programs load it from.
set -euo pipefail
build_dir=$1
system32="$WINEPREFIX/drive_c/windows/system32"
if [ -f "$build_dir/bin/tools/mapi32.dll" ]; then
  cp "$build_dir/bin/tools/mapi32.dll" "$system32/mapi32.dll"
fi
