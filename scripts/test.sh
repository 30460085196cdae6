#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine in a throwaway prefix on an
# Xvfb display: the 32-bit programs' suite, then the 64-bit one, in the same 64-bit prefix (it
# runs both kinds). --arch x86 or --arch x64 runs one of them; the other arguments go to ctest
# (for example: --arch x64 -R Registry). Exits non-zero when anything failed.
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
wine_session_start
for a in $architectures; do
  "$top/scripts/prepare-prefix.sh" "$a" "$build_dir/$a"
done

status=0
summaries=()
for a in $architectures; do
  echo
  echo "=== Tests of the $a programs ($build_dir/$a) ==="
  log="$WINE_SESSION_DIR/ctest-$a.log"
  set +e
  # A Wine process now and then fails to end after its test has passed (seen once in a few
  # hundred runs, under heavy load); one more run of just that test tells such a hiccup from a
  # real failure. ctest writes its own copy of the output (-O) and its errors go to a file: a
  # pipe to tee could be held open by a Wine process that outlives its test.
  errors="$WINE_SESSION_DIR/ctest-$a.err"
  (cd "$build_dir/$a" && ctest --output-on-failure -j2 --repeat until-pass:2 -O "$log" ${ctest_arguments[@]+"${ctest_arguments[@]}"}) 2>"$errors"
  result=$?
  set -e
  cat "$errors" >&2
  [ $result -eq 0 ] || status=1
  summary=$(grep -E 'tests passed|No tests were found' "$log" | tail -n 1 || true)
  if [ -z "$summary" ]; then
    # CTest stops before any test when a test program cannot list its tests; name it here, at
    # the end of the output, where a CI log that shows only its tail still has it.
    summary="no summary (exit code $result)"
    listing_error=$(grep -A 12 -E 'Error running test executable|test executable does not exist' "$errors" || true)
    [ -z "$listing_error" ] || summary+=$'\n'"$listing_error"
  fi
  summaries+=("$a: $summary")
done

echo
echo "=== Summary ==="
printf '%s\n' "${summaries[@]}"
exit $status
