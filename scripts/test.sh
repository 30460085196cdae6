#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on an Xvfb display: the 32-bit
# programs' suite and the 64-bit one at once, each in a throwaway 64-bit prefix of its own.
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

"$top/scripts/build.sh" --arch "$arch"

. "$top/scripts/wine-session.sh"
wine_display_start

# run_suite <arch>: the suite of one architecture in a prefix of its own, with its output, errors
# and exit code in files of the session folder.
run_suite() {
  local a=$1
  wine_prefix_start "${BRIVANE_PREFIX:-$WINE_SESSION_DIR/prefix}-$a"
  "$top/scripts/prepare-prefix.sh" "$a" "$build_dir/$a"
  # A Wine process now and then fails to end after its test has passed (seen once in a few
  # hundred runs, under heavy load); one more run of just that test tells such a hiccup from a
  # real failure. ctest writes its own copy of the output (-O) and its errors go to a file: a
  # pipe could be held open by a Wine process that outlives its test.
  set +e
  (cd "$build_dir/$a" && ctest --output-on-failure -j2 --repeat until-pass:2 -O "$WINE_SESSION_DIR/ctest-$a.log" \
     ${ctest_arguments[@]+"${ctest_arguments[@]}"}) >"$WINE_SESSION_DIR/ctest-$a.out" 2>"$WINE_SESSION_DIR/ctest-$a.err"
  echo $? >"$WINE_SESSION_DIR/ctest-$a.result"
}

# The suites run at once, each in its own prefix: the end-to-end tests of one prefix run one at a
# time, and the x86 programs' suite, emulated on some machines, would otherwise leave the second
# core idle for minutes.
echo "Running the suites of: $architectures (their output follows when all have ended)"
suites=()
for a in $architectures; do
  run_suite "$a" &
  suites+=($!)
done
wait "${suites[@]}" || true

status=0
summaries=()
for a in $architectures; do
  echo
  echo "=== Tests of the $a programs ($build_dir/$a) ==="
  cat "$WINE_SESSION_DIR/ctest-$a.out"
  errors="$WINE_SESSION_DIR/ctest-$a.err"
  cat "$errors" >&2
  result=$(cat "$WINE_SESSION_DIR/ctest-$a.result" 2>/dev/null || echo "none")
  [ "$result" = 0 ] || status=1
  summary=$(grep -E 'tests passed|No tests were found' "$WINE_SESSION_DIR/ctest-$a.log" 2>/dev/null | tail -n 1 || true)
  if [ -z "$summary" ]; then
    # CTest stops before any test when a test program cannot list its tests; name it here, at
    # the end of the output, where a CI log that shows only its tail still has it.
    summary="no summary (exit code $result)"
    listing_error=$(grep -B 3 -A 12 -E 'Error running test executable|test executable does not exist' "$errors" || true)
    [ -z "$listing_error" ] || summary+=$'\n'"$listing_error"
  fi
  summaries+=("$a: $summary")
done

echo
echo "=== Summary ==="
printf '%s\n' "${summaries[@]}"
exit $status
