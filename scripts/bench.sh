#!/usr/bin/env bash
# Runs every benchmark of bench/ from the given build directory.
set -euo pipefail
build=${1:-build}
for src in bench/*.cpp; do
  name=$(basename "$src" .cpp)
  echo "== $name"
  "$build/bin/$name"
done
