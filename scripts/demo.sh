#!/usr/bin/env bash
# Runs TarnControl against the device emulator on a pseudo-terminal.
# Usage: scripts/demo.sh [build-dir]. Ctrl-C ends both (DEMO_SECONDS=N ends them after N s).
set -euo pipefail

build=${1:-build}
bin="$(cd "$build/bin" && pwd)"
link="$bin/ttyTARN-demo"
settings="$bin/settings.ini"

"$bin/tarn-emulator" --db "$bin/tarn_vex.ddb" --link "$link" --pace &
emulator=$!
trap 'kill -TERM "$emulator" 2>/dev/null || true' EXIT

for _ in $(seq 100); do
  [ -e "$link" ] && break
  sleep 0.05
done
[ -e "$link" ] || { echo "demo: the emulator did not offer $link" >&2; exit 1; }

# "SerialPort" in the group "TARN" of the settings file beside the executable. set_port LINE
# puts LINE (a whole "SerialPort=..." line) in place of the current one, or removes it when LINE
# is empty; every other line of the file is kept as it is.
set_port() {
  touch "$settings"
  awk -v line="$1" '
    BEGIN { done = 0; in_tarn = 0 }
    /^\[/ {
      if (in_tarn && !done && line != "") { print line; done = 1 }
      in_tarn = ($0 == "[TARN]")
    }
    in_tarn && /^SerialPort=/ { if (!done && line != "") print line; done = 1; next }
    { print }
    END {
      if (!done && line != "") {
        if (!in_tarn) print "\n[TARN]"
        print line
      }
    }' "$settings" > "$settings.new"
  mv "$settings.new" "$settings"
}

# The operator's own port, put back when the demo ends: the demo's link is gone by then.
operator_port=$( [ -f "$settings" ] && awk '
  /^\[/ { in_tarn = ($0 == "[TARN]") }
  in_tarn && /^SerialPort=/ { print; exit }' "$settings" || true)
cleanup() {
  kill -TERM "$emulator" 2>/dev/null || true
  wait "$emulator" 2>/dev/null || true
  set_port "$operator_port"
}
trap cleanup EXIT

set_port "SerialPort=$link"

# Without a display the program still runs, on Qt's offscreen platform.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi

echo "demo: TarnControl polls the emulator on $link; Ctrl-C ends the demo"
status=0
if [ -n "${DEMO_SECONDS:-}" ]; then
  timeout --preserve-status -s INT "$DEMO_SECONDS" "$bin/TarnControl" || status=$?
else
  "$bin/TarnControl" || status=$?
fi
# SIGINT from the terminal reaches the whole process group; 130 is the shell's view of it.
[ "$status" -eq 0 ] || [ "$status" -eq 130 ] || exit "$status"
echo "demo: done; the operator's \"SerialPort\" goes back into $settings"
