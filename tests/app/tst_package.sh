#!/usr/bin/env bash
# The Debian package as an operator gets it: built from this build tree, its menu entry and
# metainfo valid, its icons at their sizes; then unpacked into a folder nobody may write, the
# program run from there as an ordinary user against the emulator of the same package keeps its
# settings and signal log in that user's own folders and ends cleanly on SIGTERM.
# Usage: tst_package.sh <build dir>
set -euo pipefail
build=$(cd "$1" && pwd)
id=local.zembrakor.TarnControl

work=$(mktemp -d /tmp/tarn-package.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits up to `seconds` for a shell test to hold, checking every tenth of a second.
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  while ! "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# The package, built into a folder of the test's own so that `make package`'s output is untouched.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack"; }
debs=("$work"/pkg/tarncontrol_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no package in $work/pkg"
deb=${debs[0]}
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt5widgets5 libqt5serialport5 libqcustomplot2.1 libqt5sql5-sqlite; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root=$work/root
mkdir "$root"
dpkg-deb -x "$deb" "$root"
app=$root/opt/tarncontrol
for f in "$app/TarnControl" "$app/tarn-emulator" "$app/tarn_vex.ddb" \
         "$root/usr/share/icons/hicolor/scalable/apps/$id.svg"; do
  [ -s "$f" ] || fail "missing $f"
done
[ "$(readlink -f "$root/usr/bin/tarncontrol")" = "$(readlink -f "$app/TarnControl")" ] \
  || fail "the launcher does not lead to the program"
for size in 48 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  file "$png" | grep -q "PNG image data, $size x $size" || fail "$(file "$png")"
done
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 \
  || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
! grep -E '^(E|W):' "$work/appstream.log" || fail "appstreamcli warns"

# The installed folder, as /opt is for anyone but root.
chmod -R a-w "$root"

# An ordinary user: root may write anywhere, so it runs the programs as "nobody".
home=$work/home
config=$home/config/zembrakor/TarnControl
mkdir -p "$config" "$home/data" "$home/cache" "$home/run"
chmod 700 "$home/run"
link=$home/ttyTARN
printf '[TARN]\nSerialPort=%s\n' "$link" >"$config/settings.ini"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
# Under the sanitizer the suppressions must be readable by that user too.
if [[ ${LSAN_OPTIONS:-} =~ suppressions=([^:]*) ]]; then
  cp "${BASH_REMATCH[1]}" "$work/lsan.supp"
  chmod 644 "$work/lsan.supp"
  LSAN_OPTIONS=${LSAN_OPTIONS/${BASH_REMATCH[1]}/$work/lsan.supp}
fi
run_env=(env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
         XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen)

"${as_user[@]}" "${run_env[@]}" "$app/tarn-emulator" --link "$link" >"$work/emulator.log" 2>&1 &
emulator=$!
pids+=("$emulator")
wait_for 60 test -e "$link" || { cat "$work/emulator.log" >&2; fail "the emulator made no link"; }

"${as_user[@]}" "${run_env[@]}" "$app/TarnControl" >"$work/out.log" 2>"$work/err.log" &
program=$!
pids+=("$program")
# A sample in the signal log means the receiver answered.
logs=$home/data/zembrakor/TarnControl/logs
has_sample() { [ -n "$(find "$logs" -type f -size +0 2>/dev/null)" ]; }
wait_for 120 has_sample || { cat "$work/err.log" >&2; fail "no signal log under $logs"; }

kill -TERM "$program"
status=0
wait "$program" || status=$?
[ "$status" -eq 0 ] || { cat "$work/err.log" >&2; fail "exit status $status after SIGTERM"; }

saved=$config/settings.ini
grep -qx "SerialPort=$link" "$saved" && grep -qx "AskInterval=10" "$saved" \
  && grep -qx "WaitTimout=1000" "$saved" || { cat "$saved" >&2; fail "settings not saved"; }
grep -qF "TarnControl: $app is not writable: settings in $saved, signal log in $logs" "$work/err.log" \
  || { cat "$work/err.log" >&2; fail "where the settings and the log went is not said"; }
grep -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} "-?[0-9]+\.[0-9]{3}"$' $(find "$logs" -type f) >/dev/null \
  || fail "no sample line in the signal log"
kill -TERM "$emulator"
wait "$emulator" || fail "the emulator did not end cleanly"
echo "PASS"
