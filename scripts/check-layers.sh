#!/usr/bin/env bash
# The core's libraries reach only down: tarnregisters <- tarnlink <- tarndevice. CMake cannot
# see a header included from a layer above (the folders share include paths), so this prints
# every project include that reaches up, and every Qt Widgets include in the core. The serial
# status strip and its dialog live in link/ but belong to the widgets library; the core may not
# include them.
# Usage: scripts/check-layers.sh [source-dir]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

registers="transaction.h zregister.h zvaluecodec.h"
linkwidgets="zserialstatuswidget zsetserialdialog"
link=$(cd link && ls ./*.h | sed 's|^\./||' | grep -v -E "^(${linkwidgets// /|})\.h$" | tr '\n' ' ')
device=$(cd device && ls ./*.h | sed 's|^\./||' | tr '\n' ' ')

# Every header Qt Widgets installs (QLabel, qlabel.h, ...); the module header at least.
widgets_dir="$(pkg-config --variable=includedir Qt5Widgets 2>/dev/null || true)/QtWidgets"
widget_headers="QtWidgets"
if [ -d "$widgets_dir" ]; then
  widget_headers+="|$(ls "$widgets_dir" | sed 's/\./\\./g' | tr '\n' '|' | sed 's/|$//')"
fi
widgets_include="#[[:space:]]*include[[:space:]]*<(QtWidgets/)?(${widget_headers})>"

status=0
# check FILE ALLOWED-HEADERS...
check() {
  local file=$1; shift
  local allowed=" $* "
  while IFS= read -r header; do
    if [[ "$allowed" != *" $header "* ]]; then
      echo "$file includes \"$header\" from a layer above or outside the core"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  if grep -Eq "$widgets_include" "$file"; then
    echo "$file includes Qt Widgets"
    status=1
  fi
}

for f in device/*.h device/*.cpp; do
  base=$(basename "$f")
  case " $registers ${registers//.h/.cpp} " in
    *" $base "*) check "$f" $registers ;;
    *) check "$f" $registers $link $device ;;
  esac
done
for f in link/*.h link/*.cpp; do
  case " $linkwidgets " in
    *" $(basename "${f%.*}") "*) continue ;;
  esac
  check "$f" $registers $link
done
[ $status -eq 0 ] && echo "layers: registers <- link <- device, no include reaches up"
exit $status
