#!/usr/bin/env bash
# Installs what building and running Sondrel needs on a Debian machine:
# the i686 mingw-w64 cross compiler (posix threads), 32-bit Wine, Xvfb,
# xdotool, ImageMagick, the GoogleTest sources and CMake.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for p in cmake python3 g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine32:i386 \
         fonts-wine xvfb xauth xdotool imagemagick googletest; do
  have_pkg "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${need[*]}); run as root to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
