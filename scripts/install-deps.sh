#!/usr/bin/env bash
# Installs, on Debian 12 as root, only what is missing for building and
# running Vesko: the MinGW-w64 cross compilers, 32-bit Wine, Xvfb, the
# Japanese locale and fonts, and the GoogleTest sources. Safe to rerun.
set -euo pipefail

need=(g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake ninja-build make
      wine wine32:i386 xvfb xauth x11-utils imagemagick locales
      fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine googletest libgtest-dev
      clang libclang-rt-14-dev xdotool
      pkg-config libpugixml-dev libxml2-dev)  # the last two: parser benchmark only

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Run this script as root (or with sudo) to install them." >&2
    exit 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine picks code page 932 only when the Japanese locale exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The ja_JP.UTF-8 locale is missing; run this script as root." >&2
    exit 1
  fi
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
