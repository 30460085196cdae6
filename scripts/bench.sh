#!/usr/bin/env bash
# Builds the 64-bit programs, then runs every benchmark (build/x64/bin/bench_*.exe) under Wine and prints its figures, one
# line each: "name: <figure> (goal <op> <value>) ok" or "... MISSED", and the lines that show where
# the time goes ("breakdown <stage>: ..."). Names given as arguments (bench_faultpost) run only
# those benchmarks. A missed goal is reported,
# not failed: the exit code is non-zero only when the benchmarks could not be built or run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$top/build}
build_dir=$BUILD_DIR/x64

"$top/scripts/build.sh" --arch x64 >/dev/null

shopt -s nullglob
benchmarks=("$build_dir"/bin/bench_*.exe)
if [ $# -gt 0 ]; then
  benchmarks=()
  for name in "$@"; do
    [ -f "$build_dir/bin/$name.exe" ] || { echo "No benchmark $name." >&2; exit 1; }
    benchmarks+=("$build_dir/bin/$name.exe")
  done
fi
if [ ${#benchmarks[@]} -eq 0 ]; then
  echo "No benchmarks built."
  exit 0
fi

. "$top/scripts/wine-session.sh"
wine_session_start
"$top/scripts/prepare-prefix.sh" x64 "$build_dir"

failed=0
for benchmark in "${benchmarks[@]}"; do
  name=$(basename "$benchmark" .exe)
  output="$WINE_SESSION_DIR/$name.out"
  # Each benchmark runs in its own scratch folder, so what it leaves behind goes with the session.
  scratch="$WINE_SESSION_DIR/$name"
  mkdir -p "$scratch"
  status=0
  (cd "$scratch" && wine "$benchmark" >"$output" 2>"$output.err" </dev/null) || status=$?
  if [ $status -ne 0 ]; then
    echo "$name: could not run (exit code $status)" >&2
    tail -n 5 "$output.err" >&2 || true
    failed=1
  fi
  tr -d '\r' <"$output" | grep -E '^([^:]+: .* \(goal .*\) (ok|MISSED)|breakdown [^:]+: .*)$' || {
    echo "$name: printed no figures" >&2
    failed=1
  }
done
exit $failed
