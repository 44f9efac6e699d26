#!/usr/bin/env bash
# Runs TarnControl with its window against the device emulator on a pseudo-terminal.
# Usage: scripts/demo.sh [build-dir]. Closing the window or Ctrl-C ends both (DEMO_SECONDS=N
# ends them after N s). Without a display the window is drawn on a virtual X server and a
# picture of it is written to <build-dir>/demo.png every few seconds.
set -euo pipefail

build=${1:-build}
build="$(cd "$build" && pwd)"
bin="$build/bin"
link="$bin/ttyTARN-demo"
settings="$bin/settings.ini"

# A lively receiver: paced like a real line, power and voltage drifting, the general and the
# overload alarm raised for 15 s of every 30.
"$bin/tarn-emulator" --db "$bin/tarn_vex.ddb" --link "$link" --pace --wander --alarm-cycle 15 --quiet &
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

# The signal log directory exists, so the program does not stop to ask about it.
mkdir -p "$bin/logs"

xvfb=""
shooter=""
stop_display() {
  [ -z "$shooter" ] || kill "$shooter" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No display: a virtual X server the size of the window, and a picture of it every 5 s.
  exec 3< <(Xvfb -displayfd 1 -screen 0 1149x676x24 -nolisten tcp 2>/dev/null)
  xvfb=$!
  read -r -t 10 number <&3 || { echo "demo: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$number"
  export QT_QPA_PLATFORM=xcb
  picture="$build/demo.png"
  ( while sleep 5; do import -window root "$picture.new.png" 2>/dev/null && mv "$picture.new.png" "$picture"; done ) &
  shooter=$!
  echo "demo: no display here; the window is drawn on Xvfb $DISPLAY and pictured in $picture every 5 s"
fi
trap 'stop_display; cleanup' EXIT

echo "demo: TarnControl polls the emulator on $link; close its window or press Ctrl-C to end the demo"
status=0
if [ -n "${DEMO_SECONDS:-}" ]; then
  timeout --preserve-status -s INT "$DEMO_SECONDS" "$bin/TarnControl" || status=$?
else
  "$bin/TarnControl" || status=$?
fi
# SIGINT from the terminal reaches the whole process group; 130 is the shell's view of it.
[ "$status" -eq 0 ] || [ "$status" -eq 130 ] || exit "$status"
echo "demo: done; the operator's \"SerialPort\" goes back into $settings"
