# Sourced by the scripts that run Windows programs: throwaway Wine prefixes, an Xvfb display and a
# persistent wineserver per prefix, all stopped again by wine_session_stop (also on failure or
# Ctrl-C). Never touches ~/.wine.

# wine_session_start gives the caller one prefix in WINEPREFIX; test.sh makes and starts two
# prefixes per architecture with wine_session_setup, wine_prefix_make and wine_prefix_start, so
# the suites can run at once.
wine_session_start() {
  wine_session_setup
  # BRIVANE_PREFIX keeps one prefix across runs while developing; by default every run gets a new one.
  wine_prefix_start "${BRIVANE_PREFIX:-$WINE_SESSION_DIR/prefix}"
}

# The session folder, Debian's loaders, the Wine settings every prefix shares and an Xvfb display.
wine_session_setup() {
  # The 32-bit programs need Debian's 32-bit loader; scripts/build.sh has set it up where it can.
  "$(dirname "${BASH_SOURCE[0]}")/enable-i386.sh" --check
  WINE_SESSION_DIR=$(mktemp -d /tmp/brivane-wine.XXXXXX)
  # Debian's wine (and wine-stable, which wineboot and reg call) start every program through the
  # 32-bit loader, which hands a 64-bit program on to the 64-bit one; where i386 programs run
  # emulated, that detour costs half a second per start. The 64-bit loader starts both kinds.
  if [ -x /usr/lib/wine/wine64 ]; then
    mkdir "$WINE_SESSION_DIR/bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$WINE_SESSION_DIR/bin/$name"
      chmod +x "$WINE_SESSION_DIR/bin/$name"
    done
    export PATH="$WINE_SESSION_DIR/bin:$PATH"
  fi
  export WINEDEBUG=-all
  export WINEARCH=win64
  trap wine_session_stop EXIT
  trap 'exit 130' INT TERM

  if [ -z "${BRIVANE_USE_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    # -displayfd picks a free display number, so parallel runs do not collide.
    Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp >"$WINE_SESSION_DIR/display" 2>/dev/null &
    WINE_SESSION_XVFB=$!
    for _ in $(seq 100); do [ -s "$WINE_SESSION_DIR/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$WINE_SESSION_DIR/display")"
  fi
}

# wine_prefix_make <folder> [<model>]: makes the prefix in folder unless it is there already: a
# copy of model when given (a made prefix whose server has ended: a copy takes a second, making
# one 10 to 20), else a new one.
wine_prefix_make() {
  [ ! -f "$1/system.reg" ] || return 0
  if [ -n "${2:-}" ]; then
    mkdir -p "$1" && cp -a "$2/." "$1/"
    return
  fi
  # Let the prefix finish completely before any persistent server starts.
  if ! WINEPREFIX=$1 WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 </dev/null; then
    echo "Wine could not make the prefix $1" >&2
    return 1
  fi
  WINEPREFIX=$1 wineserver -w
  # A new prefix links the user's Documents, Desktop and the like to the Linux home folder, so
  # that parallel runs would share what programs write there (documents + TavrelBank): each
  # prefix keeps folders of its own.
  for link in "$1"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir "$link"; fi
  done
}

# wine_prefix_start <folder>: makes (when new) and starts the prefix in folder as WINEPREFIX, with
# its own persistent server; wine_session_stop stops it.
wine_prefix_start() {
  wine_prefix_make "$1" || return 1
  export WINEPREFIX=$1
  echo "$WINEPREFIX" >>"$WINE_SESSION_DIR/prefixes"
  # The server first, with its output away from any pipe a caller may read (it would keep it open).
  wineserver -p >/dev/null 2>&1 </dev/null
  # Start the prefix's background processes now, away from any pipe a caller may read: a test
  # run's first program would otherwise start them with the test runner's pipes inherited.
  wineboot >/dev/null 2>&1 </dev/null
  wine rundll32 user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
  # Xvfb has no window manager, and Wine waits two seconds for one to withdraw each managed
  # window that closes (every dialog, every splash). Unmanaged windows close at once. On a real
  # display the window manager stays in charge.
  if [ -n "${WINE_SESSION_XVFB:-}" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 </dev/null || true
  fi
  # The programs must load the stand-in MAPI library that the tests put into the system folder.
  # Shortcuts that an installation creates must stay inside the prefix: Wine's menu builder would
  # copy them (with icons) into the Linux desktop menu of the home folder.
  export WINEDLLOVERRIDES="mapi32=n;winemenubuilder.exe=d"
}

wine_session_stop() {
  trap - EXIT INT TERM
  if [ -f "${WINE_SESSION_DIR:-}/prefixes" ]; then
    while read -r prefix; do
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    done <"$WINE_SESSION_DIR/prefixes"
  fi
  [ -n "${WINE_SESSION_XVFB:-}" ] && kill "$WINE_SESSION_XVFB" 2>/dev/null && wait "$WINE_SESSION_XVFB" 2>/dev/null
  [ -n "${WINE_SESSION_DIR:-}" ] && rm -rf "$WINE_SESSION_DIR"
  WINE_SESSION_XVFB=
  return 0
}
