#!/usr/bin/env bash
# Runs each libFuzzer target of a TARN_FUZZ build for FUZZ_SECONDS (default 60) at low priority,
# one after another, then prints a line per target: executions, executions per second, findings.
# Each target works on its own corpus in BUILD/fuzz/corpus/<target>, topped up from the seed
# corpus in tests/fuzz/corpus/ (which is only read); findings go to BUILD/fuzz/findings/<target>/
# and the log to BUILD/fuzz/<target>.log. A target stops at its first finding.
# Usage: scripts/fuzz.sh [build-dir]   (FUZZ_TARGETS="fuzz_frame ..." picks targets)
# Exit status: 1 when any target found something or did not run.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-fuzz}" && pwd) || exit 2
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-"fuzz_frame fuzz_codec fuzz_status fuzz_loader fuzz_signallog"}

export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

summary=()
status=0
for t in $targets; do
  bin=$build/bin/$t
  work=$build/fuzz
  corpus=$work/corpus/$t
  findings=$work/findings/$t
  log=$work/$t.log
  if [ ! -x "$bin" ]; then
    summary+=("$(printf '%-12s not built (%s)' "$t" "$bin")")
    status=1
    continue
  fi
  mkdir -p "$corpus" "$findings"
  cp -n "$root/tests/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
  before=$(ls "$findings" | wc -l)
  echo "== $t: ${seconds}s on $corpus"
  nice -n 19 "$bin" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=$(( $(ls "$findings" | wc -l) - before ))
  line=$(printf '%-12s %12s executions %8s exec/s  %d findings' "$t" "${execs:-?}" "${rate:-?}" "$found")
  if [ "$found" -gt 0 ] || [ $rc -ne 0 ]; then
    status=1
    line+="  (exit $rc; see $log"
    [ "$found" -gt 0 ] && line+=", $findings/"
    line+=")"
    grep -m1 -E '^==[0-9]+==ERROR|^SUMMARY|runtime error' "$log" || true
  fi
  summary+=("$line")
done

echo
printf '%s\n' "${summary[@]}"
exit $status
