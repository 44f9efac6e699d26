#!/usr/bin/env bash
# Sends SIGTERM to a fresh copy of TarnControl at 0, 10, 20 ... ms after starting it and prints,
# for each moment, how it ended and whether its settings file was written. Before main() has
# begun (the dynamic loader, a sanitizer's own start) the signal's default action ends it with
# 143; from main()'s first statement on it must end with 0 and the settings saved. The column
# "main" says what /proc showed just before the signal: "-" not yet begun, "blocked" (SIGTERM
# held back, the window not built yet) or "caught".
#
# Usage: scripts/sigterm-scan.sh [build-dir=build] [last-ms=300] [step-ms=10]
set -uo pipefail

build=${1:-build}
last=${2:-300}
step=${3:-10}
scripts="$(cd "$(dirname "$0")" && pwd)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$scripts/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen
[ -x "$build/bin/TarnControl" ] || { echo "sigterm-scan: $build/bin/TarnControl is not built" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
term_bit=$((1 << 14))
bad=0
printf '%6s %8s %5s %s\n' ms main exit settings
for ms in $(seq 0 "$step" "$last"); do
  dir="$work/run$ms"
  mkdir -p "$dir/logs"
  cp "$build/bin/TarnControl" "$build/bin/tarn_vex.ddb" "$dir/"
  "$dir/TarnControl" >/dev/null 2>&1 &
  pid=$!
  [ "$ms" -gt 0 ] && sleep "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"
  blk=$(sed -n 's/^SigBlk:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null)
  cgt=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null)
  state=-
  (( 0x${cgt:-0} & term_bit )) && state=caught
  (( 0x${blk:-0} & term_bit )) && state=blocked
  kill -TERM "$pid"
  wait "$pid"
  code=$?
  saved=no
  grep -q '^WaitTimout=1000' "$dir/settings.ini" 2>/dev/null && saved=yes
  printf '%6d %8s %5d %s\n' "$ms" "$state" "$code" "$saved"
  if [ "$state" != - ] && { [ "$code" -ne 0 ] || [ "$saved" != yes ]; }; then bad=$((bad + 1)); fi
done
echo "sigterm-scan: $bad runs begun in main() that did not end with 0 and the settings saved"
[ "$bad" -eq 0 ]
