#!/bin/sh
# How CTest starts the test programs:
#   wine-emulator.sh [--unit|--end-to-end] <program> [arguments...]
# The build marks each GoogleTest program with its kind:
#   --unit        its tests may run beside any other test. Where BRIVANE_TOGETHER_RESULTS names a
#                 folder (scripts/test.sh sets one per suite), the first of its tests runs the
#                 whole program once and every test reads its own result from that run's report:
#                 one Wine start per program instead of one per test.
#   --end-to-end  its tests need a prefix to themselves. CTest's resource allocation hands each
#                 one a lane (scripts/test.sh gives it two): lane 1 is WINEPREFIX, lane N the
#                 prefix WINEPREFIX-N. Without a lane they take turns in WINEPREFIX.
# Without a WINEPREFIX, Wine would use (and first create) ~/.wine; the tests belong in the
# throwaway prefixes and display that scripts/test.sh sets up.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "WINEPREFIX is not set: run the tests through scripts/test.sh" >&2
  exit 2
fi
kind=
case "${1:-}" in
  --unit|--end-to-end) kind=$1; shift ;;
esac

# list_tests <program> --gtest_list_tests [...]: CTest lists every test program before it runs
# the first test, and one listing that fails stops the whole run. A Wine process now and then
# does not end after it has done its work: such a listing is given up after a while and made
# again. The output goes to a file, so only a complete listing reaches CTest and no process left
# behind can hold CTest's pipe open.
list_tests() {
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
}

# run_in_lane <program> [arguments...]: an end-to-end test in the prefix of its lane.
run_in_lane() {
  lane=$(printf '%s' "${CTEST_RESOURCE_GROUP_0_WINEPREFIX:-}" | sed -n 's/^id:\([0-9]*\),.*/\1/p')
  if [ -z "$lane" ]; then
    exec flock "$WINEPREFIX/end-to-end.lock" wine "$@"
  fi
  [ "$lane" = 1 ] || export WINEPREFIX="$WINEPREFIX-$lane"
  exec wine "$@"
}

# await_report <process id> <report>: waits for the whole run to end. The last thing GoogleTest
# does is write its report; a Wine process that then fails to end (the hiccup that CTest's second
# try covers, seen at the start of a suite) is ended a few seconds after its report is complete.
await_report() {
  while kill -0 "$1" 2>/dev/null; do
    if grep -q '</testsuites>' "$2" 2>/dev/null; then
      sleep 3
      kill "$1" 2>/dev/null
      break
    fi
    sleep 0.2
  done
  wait "$1"
}

# run_from_whole_run <program> --gtest_filter=<test> [arguments...]: the test's result from one
# run of the whole program, made by whichever of its tests comes first. A test whose result is
# missing (the run crashed, hung or never got to it) or was read before (CTest runs a failed
# test once more) runs on its own, as without BRIVANE_TOGETHER_RESULTS.
run_from_whole_run() {
  program=$1
  test=${2#--gtest_filter=}
  results=$BRIVANE_TOGETHER_RESULTS
  name=$(basename "$program")
  report=$results/$name.xml
  (
    flock 9
    if [ ! -e "$report.started" ]; then
      : >"$report.started"
      # The prefix's drive Z: is the Linux root; the program writes its report through it. The
      # lock stays with this shell: a process that the program leaves behind must not hold it.
      windows_report="Z:$(printf '%s' "$report" | tr / '\\')"
      timeout -k 5 "${BRIVANE_TOGETHER_TIMEOUT:-100}" wine "$program" "--gtest_output=xml:$windows_report" \
        >"$results/$name.out" 2>&1 </dev/null 9>&- &
      await_report "$!" "$report"
      echo $? >"$report.status"
    fi
    if grep -Fqx -e "$test" "$results/$name.read" 2>/dev/null; then exit 2; fi
    echo "$test" >>"$results/$name.read"
    python3 "$(dirname "$0")/gtest-case-result.py" "$report" "$test"
  ) 9>"$results/$name.lock"
  status=$?
  [ "$status" -eq 2 ] || exit "$status"
  echo "No result of $test from the whole run of $name (exit code $(cat "$report.status" 2>/dev/null)): it runs on its own" >&2
  exec wine "$@"
}

if [ "${2:-}" = "--gtest_list_tests" ]; then
  list_tests "$@"
elif [ "$kind" = --end-to-end ]; then
  run_in_lane "$@"
elif [ "$kind" = --unit ] && [ -n "${BRIVANE_TOGETHER_RESULTS:-}" ] && [ "${2#--gtest_filter=}" != "${2:-}" ]; then
  run_from_whole_run "$@"
fi
exec wine "$@"
