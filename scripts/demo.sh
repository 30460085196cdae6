#!/usr/bin/env bash
# Shows the launcher at work: installs what is missing (Debian, as root), builds, lays out a demo
# installation (the launcher, a lib folder with a few jars, a packaged "jre" folder holding the
# stand-in javaw.exe), runs the real launcher under Wine in a throwaway prefix (on Xvfb unless a
# display is set and BRIVANE_USE_DISPLAY=1), and prints the launch log, the command line the
# runtime received and where the screenshot of the splash and the started client was saved.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$top/build}
out_dir=${BRIVANE_DEMO_OUT:-$BUILD_DIR/demo}

# Only what the demo runs: the launcher and the stand-in runtime.
"$top/scripts/build.sh" tavrel-brivane standin-javaw
# The screenshot needs ImageMagick's import (it reads the X display the programs run on).
if ! command -v import >/dev/null 2>&1 || ! import -version 2>/dev/null | grep -q ImageMagick; then
  echo "Installing: imagemagick"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
fi

. "$top/scripts/wine-session.sh"
echo "Starting Wine (a new prefix takes a few seconds)..."
wine_session_start

# The demo installation, with a blank in its name so the encoded properties show it as %20.
install_dir="$WINEPREFIX/drive_c/Tavrel Bank Demo"
install_win='C:\Tavrel Bank Demo'
rm -rf "$install_dir"
mkdir -p "$install_dir/lib/ext" "$install_dir/lib/plugins/signing" "$install_dir/jre/bin"
cp "$BUILD_DIR/bin/tavrel-brivane.exe" "$install_dir/"
cp "$BUILD_DIR/bin/tools/javaw.exe" "$install_dir/jre/bin/javaw.exe"
for jar in lib/client.jar lib/ext/banking-ui.jar lib/plugins/signing/signature.jar; do
  printf 'PK demo jar %s\n' "$jar" >"$install_dir/$jar"
done
printf -- '-Xmx512m -Dfile.encoding=UTF-8\r\n' >"$install_dir/lib/win.vmoptions"

user_dirs=("$WINEPREFIX"/drive_c/users/*/AppData/Local/TavrelBank)
rm -rf "${user_dirs[@]}"
mkdir -p "$out_dir"
record="$out_dir/javaw-command-line.txt"
screenshot="$out_dir/splash-and-client.png"
rm -f "$record" "$screenshot"

echo "Running $install_win\\tavrel-brivane.exe under Wine on display $DISPLAY ..."
# The stand-in runtime records its command line there and keeps its window up for a while.
STANDIN_JAVAW_RECORD="Z:${record//\//\\}" STANDIN_JAVAW_LIFETIME_MS=10000 \
  wine "$install_win\\tavrel-brivane.exe" >/dev/null 2>&1 </dev/null &
launcher=$!

# The launcher keeps its splash up for about three seconds after the runtime is ready for
# input: take the picture in that time, once the client window has painted.
for _ in $(seq 300); do [ -s "$record" ] && break; sleep 0.1; done
if [ -s "$record" ]; then
  sleep 1
  import -display "$DISPLAY" -window root "$screenshot"
fi
wait "$launcher" || true

log_files=("$WINEPREFIX"/drive_c/users/*/AppData/Local/TavrelBank/brivane/logs/kvl_*.launch.log)
echo
echo "=== Launch log (${log_files[0]#"$WINEPREFIX/"}) ==="
if [ -f "${log_files[0]}" ]; then tr -d '\r' <"${log_files[0]}"; else echo "(no log file written)"; fi
echo
echo "=== Command line the Java runtime received ==="
if [ -s "$record" ]; then cat "$record"; echo; else echo "(the runtime was not started)"; fi
echo
if [ -f "$screenshot" ]; then
  echo "Screenshot of the splash beside the started client: $screenshot"
else
  echo "No screenshot: the runtime did not start."
fi
wine_session_stop
[ -s "$record" ]
