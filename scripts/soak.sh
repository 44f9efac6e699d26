#!/usr/bin/env bash
# Runs tests again and again under load and prints the failures. A test that fails here once in
# twenty runs would sooner or later fail in CI.
#
# Usage: scripts/soak.sh [rounds=20] [build-dir=build]
#   Every test program that talks through pseudo-terminals (CTest label "pty"), one at a time,
#   while busy loops keep all but one processor occupied. SOAK_PROGRAMS="tst_a tst_b" picks
#   other programs.
# Usage: scripts/soak.sh --slow [rounds=5] [build-dir...=build build-asan]
#   The whole suite of each build (every CTest program, one at a time; the threaded ones only in
#   a ThreadSanitizer build) pinned to one processor that a busy loop shares: a machine half as
#   fast as this one, like a fresh CI machine on a bad day.
# The sanitizer builds run with the options `make test` gives them.
set -uo pipefail

scripts="$(cd "$(dirname "$0")" && pwd)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1}

hogs=()
stop_hogs() { [ ${#hogs[@]} -eq 0 ] || kill "${hogs[@]}" 2>/dev/null; wait 2>/dev/null; }
trap stop_hogs EXIT
logs=$(mktemp -d)
total_failures=0

# The FAIL! lines of a failed run, or its last lines when it failed otherwise (a crash, a hang).
show_failure() {
  grep -E -A3 '^FAIL!' "$1" | sed 's/^/    /'
  grep -q '^FAIL!' "$1" || tail -5 "$1" | sed 's/^/    /'
}

if [ "${1:-}" = "--slow" ]; then
  shift
  rounds=${1:-5}
  shift || true
  builds=("$@")
  [ ${#builds[@]} -gt 0 ] || builds=(build build-asan)
  for b in "${builds[@]}"; do
    [ -f "$b/CTestTestfile.cmake" ] || { echo "soak: $b is not built (make build / make test first)" >&2; exit 2; }
  done
  cpu=0
  taskset -c "$cpu" bash -c 'while :; do :; done' &
  hogs+=($!)
  declare -A failed
  for round in $(seq "$rounds"); do
    for b in "${builds[@]}"; do
      labels=()
      grep -q '^TARN_SANITIZER:STRING=thread$' "$b/CMakeCache.txt" && labels=(-L threaded)
      read -r -a names <<< "$(cd "$b" && ctest -N "${labels[@]}" | sed -n 's/^ *Test *#[0-9]*: //p' | tr '\n' ' ')"
      start=$SECONDS
      for name in "${names[@]}"; do
        # One test at a time through ctest, which gives it its environment and time limit.
        log="$logs/$(basename "$b").$name.$round.log"
        if ! (cd "$b" && taskset -c "$cpu" ctest --output-on-failure -R "^$name\$") >"$log" 2>&1; then
          failed[$b/$name]=$(( ${failed[$b/$name]:-0} + 1 ))
          total_failures=$((total_failures + 1))
          echo "round $round: $b/$name failed:"
          show_failure "$log"
        fi
      done
      printf 'round %d of %d: %s, %d tests in %d s, %d failures so far\n' "$round" "$rounds" "$b" \
        "${#names[@]}" $((SECONDS - start)) "$total_failures"
    done
  done
  echo "slow soak: $rounds rounds of the whole suite on processor $cpu, shared with a busy loop"
  for key in "${!failed[@]}"; do
    printf '  %-40s %d failures in %d runs\n' "$key" "${failed[$key]}" "$rounds"
  done
else
  rounds=${1:-20}
  build=${2:-build}
  bin="$build/bin"
  read -r -a programs <<< "${SOAK_PROGRAMS:-tst_serialconnection tst_tarnvexendtoend tst_zdeviceemulator tst_startup tst_zspectrchart tst_zregcontrol tst_tarnwindow tst_zwindowloop tst_zmonitor tst_devicethroughserver tst_zserialstatuswidget tst_networkconnection}"
  for p in "${programs[@]}"; do
    [ -x "$bin/$p" ] || { echo "soak: $bin/$p is not built (make build first)" >&2; exit 2; }
  done
  cpus=$(nproc)
  for _ in $(seq $((cpus > 1 ? cpus - 1 : 1))); do
    ( while :; do :; done ) &
    hogs+=($!)
  done
  declare -A failed
  for round in $(seq "$rounds"); do
    for p in "${programs[@]}"; do
      log="$logs/$p.$round.log"
      if ! QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 timeout 300 "$bin/$p" >"$log" 2>&1; then
        failed[$p]=$(( ${failed[$p]:-0} + 1 ))
        total_failures=$((total_failures + 1))
        echo "round $round: $p failed:"
        show_failure "$log"
      fi
    done
    printf 'round %d of %d done, %d failures so far\n' "$round" "$rounds" "$total_failures"
  done
  echo "soak: $rounds rounds with $(( cpus > 1 ? cpus - 1 : 1 )) busy loop(s)"
  for p in "${programs[@]}"; do
    printf '  %-24s %d failures in %d runs\n' "$p" "${failed[$p]:-0}" "$rounds"
  done
fi

if [ "$total_failures" -eq 0 ]; then rm -rf "$logs"; else echo "logs kept in $logs"; fi
[ "$total_failures" -eq 0 ]
