#!/usr/bin/env bash
# Runs every test program that talks through pseudo-terminals (CTest label "pty") again and
# again, one at a time, while busy loops keep all but one processor occupied, and prints the
# failures. A test that fails here once in twenty runs would sooner or later fail in CI.
#
# Usage: scripts/soak.sh [rounds=20] [build-dir=build]
# SOAK_PROGRAMS="tst_a tst_b" picks other programs (the sanitizer builds run with the options
# `make test` gives them).
set -uo pipefail

rounds=${1:-20}
build=${2:-build}
bin="$build/bin"
scripts="$(cd "$(dirname "$0")" && pwd)"
read -r -a programs <<< "${SOAK_PROGRAMS:-tst_serialconnection tst_tarnvexendtoend tst_zdeviceemulator tst_startup tst_zspectrchart tst_zregcontrol tst_tarnwindow tst_zwindowloop tst_zmonitor}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-suppressions=$scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1}
for p in "${programs[@]}"; do
  [ -x "$bin/$p" ] || { echo "soak: $bin/$p is not built (make build first)" >&2; exit 2; }
done

hogs=()
stop_hogs() { [ ${#hogs[@]} -eq 0 ] || kill "${hogs[@]}" 2>/dev/null; wait 2>/dev/null; }
trap stop_hogs EXIT
cpus=$(nproc)
for _ in $(seq $((cpus > 1 ? cpus - 1 : 1))); do
  ( while :; do :; done ) &
  hogs+=($!)
done

logs=$(mktemp -d)
declare -A failed
total_failures=0
for round in $(seq "$rounds"); do
  for p in "${programs[@]}"; do
    log="$logs/$p.$round.log"
    if ! QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 timeout 300 "$bin/$p" >"$log" 2>&1; then
      failed[$p]=$(( ${failed[$p]:-0} + 1 ))
      total_failures=$((total_failures + 1))
      echo "round $round: $p failed:"
      grep -E -A3 '^FAIL!' "$log" | sed 's/^/    /'
      grep -q '^FAIL!' "$log" || tail -5 "$log" | sed 's/^/    /'
    fi
  done
  printf 'round %d of %d done, %d failures so far\n' "$round" "$rounds" "$total_failures"
done

echo "soak: $rounds rounds with $(( cpus > 1 ? cpus - 1 : 1 )) busy loop(s)"
for p in "${programs[@]}"; do
  printf '  %-24s %d failures in %d runs\n' "$p" "${failed[$p]:-0}" "$rounds"
done
if [ "$total_failures" -eq 0 ]; then rm -rf "$logs"; else echo "logs kept in $logs"; fi
[ "$total_failures" -eq 0 ]
