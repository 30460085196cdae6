#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine on an Xvfb display: the 32-bit
# programs' suite and the 64-bit one, each in throwaway 64-bit prefixes of its own, the second
# built while the first runs.
# --arch x86 or --arch x64 runs one of them; the other arguments go to ctest (for example:
# --arch x64 -R Registry). Exits non-zero when anything failed.
# BRIVANE_RUN_TOGETHER=0 starts each unit test in a Wine process of its own (see
# scripts/wine-emulator.sh) instead of each unit-test program once for all its tests;
# BRIVANE_END_TO_END_LANES (default 2) is the number of prefixes per suite that end-to-end tests
# run in side by side, one test per prefix at a time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
. "$top/scripts/arch.sh"
. "$top/scripts/wine-session.sh"

# The end-to-end tests need a prefix to themselves; each suite has this many prefixes, so that
# several of them run at once (scripts/wine-emulator.sh picks the prefix of a test's lane).
end_to_end_lanes=${BRIVANE_END_TO_END_LANES:-2}

main() {
  read_arguments "$@"
  # The first architecture is built, then its suite runs while the next one is built and then
  # tested. The suites mostly wait for programs, windows and files, so they leave CPU enough for
  # a build and for each other; the build, the longer of the two now, keeps its full priority.
  "$top/scripts/build.sh" --arch "$first_arch"
  start_session
  echo "Running the suites of: $architectures (their output follows when all have ended)"
  start_suites
  wait "${suites[@]}" || true
  status=0
  summarise
  exit $status
}

# read_arguments <arguments of the script>: sets architectures, first_arch and ctest_arguments.
read_arguments() {
  local arch=all
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
  first_arch=${architectures%% *}
}

# prefix_of <arch> <lane>: the prefix of one lane of a suite; lane N > 1 is lane 1's name with -N.
prefix_of() {
  local prefix="${BRIVANE_PREFIX:-$WINE_SESSION_DIR/prefix}-$1"
  [ "$2" = 1 ] || prefix+="-$2"
  echo "$prefix"
}

# start_session: the display and every prefix, and the lanes as CTest resources.
start_session() {
  local a lane model=
  wine_session_setup
  # Every prefix now, one after the other: two prefixes made at once on one display have left one
  # of them unfinished. The first one made is the model of the others.
  for a in $architectures; do
    for lane in $(seq "$end_to_end_lanes"); do
      wine_prefix_make "$(prefix_of "$a" "$lane")" "$model"
      model=${model:-$(prefix_of "$a" "$lane")}
    done
  done
  for a in $architectures; do
    for lane in $(seq "$end_to_end_lanes"); do wine_prefix_start "$(prefix_of "$a" "$lane")"; done
  done
  lanes_file="$WINE_SESSION_DIR/lanes.json"
  local ids
  ids=$(seq "$end_to_end_lanes" | sed 's/.*/{"id": "&", "slots": 1}/' | paste -sd,)
  echo '{"version": {"major": 1, "minor": 0}, "local": [{"wineprefix": ['"$ids"']}]}' >"$lanes_file"
}

# start_suites: builds the architectures after the first and starts every suite in the
# background; their process ids go to suites.
start_suites() {
  local a lane
  suites=()
  for a in $architectures; do
    if [ "$a" != "$first_arch" ] && ! "$top/scripts/build.sh" --arch "$a"; then
      echo "not built" >"$WINE_SESSION_DIR/ctest-$a.result"
      continue
    fi
    for lane in $(seq "$end_to_end_lanes"); do
      WINEPREFIX=$(prefix_of "$a" "$lane") "$top/scripts/prepare-prefix.sh" "$a" "$build_dir/$a"
    done
    run_suite "$a" &
    suites+=($!)
  done
}

# run_suite <arch>: the suite of one architecture in its prefixes, with its output, errors and
# exit code in files of the session folder.
run_suite() {
  local a=$1
  export WINEPREFIX
  WINEPREFIX=$(prefix_of "$a" 1)
  if [ "${BRIVANE_RUN_TOGETHER:-1}" != 0 ]; then
    export BRIVANE_TOGETHER_RESULTS="$WINE_SESSION_DIR/together-$a"
    mkdir -p "$BRIVANE_TOGETHER_RESULTS"
  fi
  # A Wine process now and then fails to end after its test has passed (seen once in a few
  # hundred runs, under heavy load); one more run of just that test tells such a hiccup from a
  # real failure, and the summary names every test that needed it. ctest writes its own copy of
  # the output (-O) and its errors go to a file: a pipe could be held open by a Wine process that
  # outlives its test. One slot more than lanes, so a unit test runs beside the end-to-end ones.
  set +e
  (cd "$build_dir/$a" && ctest --output-on-failure -j$((end_to_end_lanes + 1)) --repeat until-pass:2 \
     --resource-spec-file "$lanes_file" -O "$WINE_SESSION_DIR/ctest-$a.log" \
     ${ctest_arguments[@]+"${ctest_arguments[@]}"}) >"$WINE_SESSION_DIR/ctest-$a.out" 2>"$WINE_SESSION_DIR/ctest-$a.err"
  echo $? >"$WINE_SESSION_DIR/ctest-$a.result"
}

# summarise: the output of every suite, then one summary line per suite (at the end, where a CI
# log that shows only its tail still has it); sets status to 1 when a suite failed.
summarise() {
  local a summaries=() retried
  for a in $architectures; do
    echo
    echo "=== Tests of the $a programs ($build_dir/$a) ==="
    [ ! -f "$WINE_SESSION_DIR/ctest-$a.out" ] || cat "$WINE_SESSION_DIR/ctest-$a.out"
    [ ! -f "$WINE_SESSION_DIR/ctest-$a.err" ] || cat "$WINE_SESSION_DIR/ctest-$a.err" >&2
    [ "$(cat "$WINE_SESSION_DIR/ctest-$a.result" 2>/dev/null)" = 0 ] || status=1
    summaries+=("$a: $(suite_summary "$a")")
    retried=$(tests_passed_on_second_try "$WINE_SESSION_DIR/ctest-$a.log" | paste -sd' ')
    [ -z "$retried" ] || summaries+=("$a: passed only on their second try: $retried")
  done
  echo
  echo "=== Summary ==="
  printf '%s\n' "${summaries[@]}"
}

# suite_summary <arch>: CTest's count of one suite, or why there is none.
suite_summary() {
  local a=$1 errors="$WINE_SESSION_DIR/ctest-$1.err" result summary listing_error
  result=$(cat "$WINE_SESSION_DIR/ctest-$a.result" 2>/dev/null || echo "none")
  summary=$(grep -E 'tests passed|No tests were found' "$WINE_SESSION_DIR/ctest-$a.log" 2>/dev/null | tail -n 1 || true)
  if [ -z "$summary" ]; then
    # CTest stops before any test when a test program cannot list its tests: name it.
    summary="no summary (exit code $result)"
    [ "$result" != "not built" ] || summary="not tested: its build failed (above)"
    listing_error=$(grep -B 3 -A 12 -E 'Error running test executable|test executable does not exist' "$errors" \
                      2>/dev/null || true)
    [ -z "$listing_error" ] || summary+=$'\n'"$listing_error"
  fi
  echo "$summary"
}

# tests_passed_on_second_try <ctest output>: the tests that failed (or timed out) once and then
# passed. CTest prints one result line per run, "[3/9 ]Test  #3: <name> ....   Passed  1.2 sec".
tests_passed_on_second_try() {
  [ -f "$1" ] || return 0
  awk '/^ *([0-9]+\/[0-9]+ +)?Test +#[0-9]+: / {
         line = $0
         sub(/^ *([0-9]+\/[0-9]+ +)?Test +#[0-9]+: /, "", line)
         split(line, words, " ")
         name = words[1]
         if (line ~ / Passed +[0-9.]+ sec/) { if (name in failed) print name }
         else failed[name] = 1
       }' "$1"
}

main "$@"
