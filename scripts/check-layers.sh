#!/usr/bin/env bash
# The build keeps each library to the headers of what it links: every folder exports only its own
# folder. What the build cannot see is a Qt Widgets header (or the plotting library's, which
# lives in the system's include folder) in the core, the signal support or the emulator, which
# reach them through no link of theirs but could through a system-wide path. This prints every
# such include.
# Usage: scripts/check-layers.sh [source-dir]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# Every header Qt Widgets installs (QLabel, qlabel.h, ...); the module header at least.
widgets_dir="$(pkg-config --variable=includedir Qt5Widgets 2>/dev/null || true)/QtWidgets"
widget_headers="QtWidgets"
if [ -d "$widgets_dir" ]; then
  widget_headers+="|$(ls "$widgets_dir" | sed 's/\./\\./g' | tr '\n' '|' | sed 's/|$//')"
fi
widgets_include="^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]((QtWidgets/)?(${widget_headers})|qcustomplot\.h)[>\"]"

status=0
while IFS= read -r file; do
  if grep -Eq "$widgets_include" "$file"; then
    echo "$file includes Qt Widgets or the plotting library"
    status=1
  fi
done < <(find core support emulator -name '*.h' -o -name '*.cpp')
[ $status -eq 0 ] && echo "no Qt Widgets in the core, the signal support or the emulator"
exit $status
