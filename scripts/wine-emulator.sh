#!/bin/sh
# How CTest starts the test programs. Without a WINEPREFIX, Wine would use (and first create)
# ~/.wine; the tests belong in the throwaway prefix and display that scripts/test.sh sets up.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "WINEPREFIX is not set: run the tests through scripts/test.sh" >&2
  exit 2
fi
exec wine "$@"
