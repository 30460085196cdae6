# Sourced by the scripts that run Windows programs: a throwaway Wine prefix, an Xvfb display and a
# persistent wineserver, all stopped again by wine_session_stop (also on failure or Ctrl-C).
# Never touches ~/.wine.

wine_session_start() {
  # Every Wine start goes through Debian's 32-bit loader.
  "$(dirname "${BASH_SOURCE[0]}")/enable-i386.sh"
  WINE_SESSION_DIR=$(mktemp -d /tmp/brivane-wine.XXXXXX)
  # BRIVANE_PREFIX keeps one prefix across runs while developing; by default every run gets a new one.
  export WINEPREFIX="${BRIVANE_PREFIX:-$WINE_SESSION_DIR/prefix}"
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

  # The server first, with its output away from any pipe a caller may read (it would keep it open).
  local fresh=
  [ -f "$WINEPREFIX/system.reg" ] || fresh=1
  if [ -n "$fresh" ]; then
    # Let the prefix finish completely before the persistent server starts.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
  fi
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
  if [ -n "${WINEPREFIX:-}" ] && [ -d "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  [ -n "${WINE_SESSION_XVFB:-}" ] && kill "$WINE_SESSION_XVFB" 2>/dev/null && wait "$WINE_SESSION_XVFB" 2>/dev/null
  [ -n "${WINE_SESSION_DIR:-}" ] && rm -rf "$WINE_SESSION_DIR"
  WINE_SESSION_XVFB=
  return 0
}
