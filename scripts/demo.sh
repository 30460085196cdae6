#!/usr/bin/env bash
# Shows the launcher at work with a real Java runtime: installs what is missing (Debian, as root,
# OpenJDK included), builds, lays out a demo installation (the launcher, a lib folder with the
# demo client's jar, and in the packaged "jre" folder the bridge that runs the Linux java where
# javaw.exe is expected), runs the real launcher under Wine in a throwaway prefix (on Xvfb unless
# a display is set and BRIVANE_USE_DISPLAY=1), and prints the launch log, what the client
# received, the time from the start to the client's window and where the screenshot of the
# splash beside the client's window was saved. The packaged runtime carries the release file of
# the Linux runtime that the bridge runs (BRIVANE_DEMO_JAVA_HOME, by default the Debian OpenJDK
# 17), so the launcher knows its version: at the first start the client lists its classes and a
# second run of the runtime assembles the per-user class-data archive from them, and a second
# start shows which archive it handed over.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$top/build}
out_dir=${BRIVANE_DEMO_OUT:-$BUILD_DIR/demo}

# The client shows a window, so the runtime's window libraries are needed too.
"$top/scripts/install-java.sh" --window
if ! command -v javac >/dev/null 2>&1 || [ ! -x /usr/bin/java ]; then
  echo "No Java runtime could be installed; the demo needs /usr/bin/java and javac." >&2
  exit 1
fi
# Only what the demo runs: the 64-bit launcher, the bridge and the client.
"$top/scripts/build.sh" --arch x64 tavrel-brivane java-bridge democlient
bin_dir=$BUILD_DIR/x64/bin
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
mkdir -p "$install_dir/lib" "$install_dir/jre/bin"
cp "$bin_dir/tavrel-brivane.exe" "$install_dir/"
cp "$bin_dir/tools/java-bridge.exe" "$install_dir/jre/bin/javaw.exe"
cp "$bin_dir/tools/democlient.jar" "$install_dir/lib/client.jar"
java_home=${BRIVANE_DEMO_JAVA_HOME:-/usr/lib/jvm/java-17-openjdk-amd64}
if [ -f "$java_home/release" ]; then
  echo "$java_home" >"$install_dir/jre/bin/linux-java-home.txt"
  cp "$java_home/release" "$install_dir/jre/release"
else
  echo "No release file in $java_home: the launcher cannot tell the runtime's version, so no archive." >&2
fi

user_dirs=("$WINEPREFIX"/drive_c/users/*/AppData/Local/TavrelBank)
rm -rf "${user_dirs[@]}"
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)
received="$out_dir/client-received.txt"
screenshot="$out_dir/splash-and-client.png"
rm -f "$received" "$screenshot"
# The client writes what it received, with the time its window opened, once the window is up,
# and closes after a while. Z: is the Linux root in every Wine prefix.
received_win="Z:${received//\//\\}"
printf -- '-Xmx256m "-Ddemoclient.shown=%s" -Ddemoclient.lifetime=15\r\n' "$received_win" \
  >"$install_dir/lib/win.vmoptions"

echo "Running $install_win\\tavrel-brivane.exe under Wine on display $DISPLAY ..."
started=$(date +%s%3N)
wine "$install_win\\tavrel-brivane.exe" >/dev/null 2>&1 </dev/null &
launcher=$!

# The launcher keeps its splash up for about three seconds after the runtime is ready for input:
# take the picture in that time, once the client window has painted.
for _ in $(seq 600); do [ -s "$received" ] && break; sleep 0.05; done
if [ -s "$received" ]; then
  sleep 0.5
  import -display "$DISPLAY" -window root "$screenshot"
fi
wait "$launcher" || true

log_files=("$WINEPREFIX"/drive_c/users/*/AppData/Local/TavrelBank/brivane/logs/kvl_*.launch.log)
echo
echo "=== Launch log (${log_files[0]#"$WINEPREFIX/"}) ==="
if [ -f "${log_files[0]}" ]; then tr -d '\r' <"${log_files[0]}"; else echo "(no log file written)"; fi
echo
echo "=== What the Java client received ==="
if [ -s "$received" ]; then
  grep -v '^window shown=' "$received"
  shown=$(sed -n 's/^window shown=//p' "$received")
  echo
  echo "Time from the start to the client's window: $((shown - started)) ms"
else
  echo "(the client did not start; java said:)"
  cat "$install_dir/jre/bin/java-output.log" 2>/dev/null || true
fi
echo
if [ -f "$screenshot" ]; then
  echo "Screenshot of the splash beside the client's window: $screenshot"
else
  echo "No screenshot: the client did not start."
fi

# The bridge copies what java said once the client's runtime has ended, and what the assembling
# run said once the archive is written.
java_output="$install_dir/jre/bin/java-output.log"
for _ in $(seq 1200); do [ -f "$java_output" ] && break; sleep 0.05; done
user_dir=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local/TavrelBank/brivane)
if cat "$user_dir"/logs/kvl_*.launch.log 2>/dev/null | grep -q 'Class data archive: assembling from'; then
  for _ in $(seq 1200); do [ -f "$install_dir/jre/bin/java-dump-output.log" ] && break; sleep 0.05; done
fi
echo "=== Second start: the class-data archive ==="
if [ -s "$received" ] && [ -f "$java_output" ]; then
  # The per-user copy of win.vmoptions: the second window closes sooner.
  sed -i 's/-Ddemoclient.lifetime=[0-9.]*/-Ddemoclient.lifetime=3/' "$user_dir/lib/win.vmoptions"
  rm -rf "$user_dir/logs" "$received" "$java_output"
  started=$(date +%s%3N)
  wine "$install_win\\tavrel-brivane.exe" >/dev/null 2>&1 </dev/null || true
  for _ in $(seq 600); do [ -s "$received" ] && break; sleep 0.05; done
  second_logs=("$user_dir"/logs/kvl_*.launch.log)
  tr -d '\r' <"${second_logs[0]}" 2>/dev/null | grep -o 'Class data archive: .*' || echo "(no archive line logged)"
  if [ -s "$received" ]; then
    shown=$(sed -n 's/^window shown=//p' "$received")
    echo "Time from the second start to the client's window: $((shown - started)) ms"
  fi
  echo "The folder cds:"
  ls -l "$user_dir/cds" 2>/dev/null | sed 1d || true
  for _ in $(seq 1200); do [ -f "$java_output" ] && break; sleep 0.05; done
else
  echo "(no second start: the first did not end its client)"
fi
wine_session_stop
[ -s "$received" ]
