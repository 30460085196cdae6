#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on an Xvfb display: the 32-bit
# programs' suite and the 64-bit one, each in a throwaway 64-bit prefix of its own, the second
# built while the first runs.
# --arch x86 or --arch x64 runs one of them; the other arguments go to ctest (for example:
# --arch x64 -R Registry). Exits non-zero when anything failed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
. "$top/scripts/arch.sh"

arch=all
ctest_arguments=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--arch" ]; then
    arch=${2:?--arch needs x86, x64 or all}
    shift 2
  else
    ctest_arguments+=("$1")
    shift
  fi
done
architectures=$(brivane_architectures "$arch")

prefix_of() { echo "${BRIVANE_PREFIX:-$WINE_SESSION_DIR/prefix}-$1"; }

# run_suite <arch>: the suite of one architecture in its prefix, with its output, errors and exit
# code in files of the session folder.
run_suite() {
  local a=$1
  export WINEPREFIX
  WINEPREFIX=$(prefix_of "$a")
  # A Wine process now and then fails to end after its test has passed (seen once in a few
  # hundred runs, under heavy load); one more run of just that test tells such a hiccup from a
  # real failure. ctest writes its own copy of the output (-O) and its errors go to a file: a
  # pipe could be held open by a Wine process that outlives its test.
  set +e
  (cd "$build_dir/$a" && ctest --output-on-failure -j2 --repeat until-pass:2 -O "$WINE_SESSION_DIR/ctest-$a.log" \
     ${ctest_arguments[@]+"${ctest_arguments[@]}"}) >"$WINE_SESSION_DIR/ctest-$a.out" 2>"$WINE_SESSION_DIR/ctest-$a.err"
  echo $? >"$WINE_SESSION_DIR/ctest-$a.result"
}

# A pipeline: the first architecture is built, then its suite runs while the next one is built
# (at a lower priority) and then tested. The suites mostly wait for programs, windows and files,
# and each runs its end-to-end tests one at a time in a prefix of its own, so they leave CPU
# enough for a build and for each other.
first_arch=${architectures%% *}
"$top/scripts/build.sh" --arch "$first_arch"
. "$top/scripts/wine-session.sh"
wine_session_setup
# Every prefix now, one after the other: two prefixes made at once on one display have left one
# of them unfinished.
for a in $architectures; do wine_prefix_start "$(prefix_of "$a")"; done
echo "Running the suites of: $architectures (their output follows when all have ended)"
suites=()
for a in $architectures; do
  if [ "$a" != "$first_arch" ] && ! nice -n 10 "$top/scripts/build.sh" --arch "$a"; then
    echo "not built" >"$WINE_SESSION_DIR/ctest-$a.result"
    continue
  fi
  "$top/scripts/prepare-prefix.sh" "$a" "$build_dir/$a"
  run_suite "$a" &
  suites+=($!)
done
wait "${suites[@]}" || true

status=0
summaries=()
for a in $architectures; do
  echo
  echo "=== Tests of the $a programs ($build_dir/$a) ==="
  errors="$WINE_SESSION_DIR/ctest-$a.err"
  [ ! -f "$WINE_SESSION_DIR/ctest-$a.out" ] || cat "$WINE_SESSION_DIR/ctest-$a.out"
  [ ! -f "$errors" ] || cat "$errors" >&2
  result=$(cat "$WINE_SESSION_DIR/ctest-$a.result" 2>/dev/null || echo "none")
  [ "$result" = 0 ] || status=1
  summary=$(grep -E 'tests passed|No tests were found' "$WINE_SESSION_DIR/ctest-$a.log" 2>/dev/null | tail -n 1 || true)
  if [ -z "$summary" ]; then
    # CTest stops before any test when a test program cannot list its tests; name it here, at
    # the end of the output, where a CI log that shows only its tail still has it.
    summary="no summary (exit code $result)"
    [ "$result" != "not built" ] || summary="not tested: its build failed (above)"
    listing_error=$(grep -B 3 -A 12 -E 'Error running test executable|test executable does not exist' "$errors" \
                      2>/dev/null || true)
    [ -z "$listing_error" ] || summary+=$'\n'"$listing_error"
  fi
  summaries+=("$a: $summary")
done

echo
echo "=== Summary ==="
printf '%s\n' "${summaries[@]}"
exit $status
