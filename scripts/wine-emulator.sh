#!/bin/sh
# How CTest starts the test programs. Without a WINEPREFIX, Wine would use (and first create)
# ~/.wine; the tests belong in the throwaway prefix and display that scripts/test.sh sets up.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "WINEPREFIX is not set: run the tests through scripts/test.sh" >&2
  exit 2
fi
if [ "${2:-}" = "--gtest_list_tests" ]; then
  # CTest lists every test program before it runs the first test, and one listing that fails
  # stops the whole run. A Wine process now and then does not end after it has done its work:
  # such a listing is given up after a while and made again. The output goes to a file, so only
  # a complete listing reaches CTest and no process left behind can hold CTest's pipe open.
  listing=$(mktemp)
  trap 'rm -f "$listing"' EXIT
  for attempt in 1 2 3; do
    if timeout -k 5 "${BRIVANE_LISTING_TIMEOUT:-40}" wine "$@" >"$listing" </dev/null; then
      cat "$listing"
      exit 0
    else
      status=$?
    fi
    # 124 and above: the time limit; anything else: the program ended (or could not start).
    echo "Listing the tests of $1 failed (attempt $attempt, exit code $status)" >&2
  done
  exit 1
fi
exec wine "$@"
