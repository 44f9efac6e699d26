#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only those that are missing.
# Usage: scripts/install-deps.sh [fuzz|demo]   ("fuzz" adds clang and its libFuzzer runtime,
# "demo" the tool that pictures the window on a machine without a display)
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  qtbase5-dev libqt5serialport5-dev libqt5sql5-sqlite
  libqcustomplot-dev qttools5-dev-tools
  libgensio-dev libwrap0-dev ser2net
  sqlite3
  librsvg2-bin fonts-dejavu-core
  xvfb x11-utils xdotool libx11-dev
  dpkg-dev file desktop-file-utils appstream
)
case "${1:-}" in
  "") ;;
  fuzz) packages+=(clang libclang-rt-dev) ;;
  demo) packages+=(imagemagick) ;;
  *) echo "usage: $0 [fuzz|demo]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
