#!/usr/bin/env bash
# Installs, on Debian 12 as root, only what is missing for building and
# running Vesko: the MinGW-w64 cross compilers, 32-bit Wine, Xvfb, the
# Japanese locale and fonts, and the GoogleTest sources. Safe to rerun.
#
# A package mirror caught mid-sync can fail one suite's index ("File has
# unexpected size ... Mirror sync in progress?"). apt-get update is retried
# a few times; if a suite still fails, or the install cannot be resolved
# against it, the install goes ahead from the suites that did load.
set -euo pipefail

need=(g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake ninja-build make
      wine wine32:i386 xvfb xauth x11-utils imagemagick locales
      fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine googletest libgtest-dev
      clang libclang-rt-14-dev xdotool
      pkg-config libpugixml-dev libxml2-dev   # the last two: parser benchmark only
      wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64)  # where 32-bit programs cannot run

APT_GET=${APT_GET:-apt-get}                         # a stand-in can be put here to test the fallback
APT_SOURCES_DIR=${APT_SOURCES_DIR:-/etc/apt/sources.list.d}
APT_SOURCES_LIST=${APT_SOURCES_LIST:-/etc/apt/sources.list}
APT_RETRY_PAUSE=${APT_RETRY_PAUSE:-15}
apt_opts=()       # set to a reduced source list once a suite is left out
apt_log=$(mktemp)
fallback_dir=
trap 'rm -f "$apt_log"; [ -z "$fallback_dir" ] || rm -rf "$fallback_dir"' EXIT

# failed_suites LOG: the suites whose index failed to load, one a line,
# read from apt's "Failed to fetch .../dists/SUITE/..." lines and its
# "The repository 'URI SUITE Release' does not have a Release file" ones.
failed_suites() {
  {
    grep -o 'Failed to fetch [^ ]*/dists/[^/ ]*/' "$1" | sed 's|.*/dists/\([^/]*\)/|\1|' || true
    grep -o "repository '[^']*' does not have a Release file" "$1" | awk '{print $3}' || true
  } | sort -u
}

# write_sources_without DIR SUITE...: copies the configured sources into
# DIR, leaving out every named suite (a deb822 stanza left with no suite
# is dropped whole).
write_sources_without() {
  local dir=$1; shift
  local drop=" $* " f
  mkdir -p "$dir"
  for f in "$APT_SOURCES_DIR"/*.sources; do
    [ -f "$f" ] || continue
    awk -v drop="$drop" '
      function flush() { if (stanza != "" && keep) printf "%s\n", stanza; stanza = ""; keep = 1 }
      BEGIN { keep = 1 }
      /^[ \t]*$/ { flush(); next }
      /^Suites:/ {
        n = split(substr($0, 8), s, /[ \t]+/); line = "Suites:"; kept = 0
        for (i = 1; i <= n; i++) if (s[i] != "" && index(drop, " " s[i] " ") == 0) { line = line " " s[i]; kept++ }
        if (kept == 0) keep = 0
        stanza = stanza line "\n"; next
      }
      { stanza = stanza $0 "\n" }
      END { flush() }' "$f" > "$dir/$(basename "$f")"
  done
  for f in "$APT_SOURCES_LIST" "$APT_SOURCES_DIR"/*.list; do
    [ -f "$f" ] || continue
    awk -v drop="$drop" '
      /^[ \t]*deb/ { suite = $3; if ($2 ~ /^\[/) { for (i = 2; i <= NF; i++) if ($i ~ /\]$/) break; suite = $(i + 2) }
                     if (index(drop, " " suite " ")) next }
      { print }' "$f" > "$dir/$(basename "$f" .list)-main.list"
  done
}

# use_sources_without SUITE...: from now on apt reads only the other suites.
use_sources_without() {
  [ -n "$fallback_dir" ] || fallback_dir=$(mktemp -d)
  rm -f "$fallback_dir"/*
  write_sources_without "$fallback_dir" "$@"
  apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$fallback_dir")
}

# update_without_failing: leaves out each suite whose index fails until the
# rest loads (a mirror can be caught mid-sync on more than one suite).
update_without_failing() {
  local left=() more round loaded
  for round in 1 2 3; do
    mapfile -t more < <(failed_suites "$apt_log")
    if [ ${#more[@]} -eq 0 ]; then
      cat "$apt_log" >&2
      echo "install-deps: apt-get update failed; see above." >&2
      return 1
    fi
    left+=("${more[@]}")
    use_sources_without "${left[@]}"
    if "$APT_GET" "${apt_opts[@]}" update -q >"$apt_log" 2>&1 && [ -z "$(failed_suites "$apt_log")" ]; then
      loaded=$(grep -ho '^Suites:.*' "$fallback_dir"/*.sources 2>/dev/null | cut -d: -f2 | xargs || true)
      echo "install-deps: the index of ${left[*]} would not load (mirror mid-sync?); installing from ${loaded:-the other suites} only." >&2
      return 0
    fi
  done
  cat "$apt_log" >&2
  return 1
}

apt_update() {
  local try
  for try in 1 2 3; do
    if "$APT_GET" "${apt_opts[@]}" update -q >"$apt_log" 2>&1 && [ -z "$(failed_suites "$apt_log")" ]; then
      return 0
    fi
    [ "$try" -lt 3 ] && sleep "$APT_RETRY_PAUSE"
  done
  return 1
}

apt_install() {
  "$APT_GET" "${apt_opts[@]}" install -y -q --no-install-recommends "$@"
}

install_missing() {
  local bad
  if ! apt_update; then
    update_without_failing || return 1
    apt_install "$@"
    return
  fi
  if apt_install "$@"; then return 0; fi
  # The index loaded but the install cannot be resolved: the security suite
  # can be ahead of its own i386 index. Try again from the main suites.
  mapfile -t bad < <(grep -ho '^Suites:.*-security\b.*' "$APT_SOURCES_DIR"/*.sources 2>/dev/null \
                     | tr ' ' '\n' | grep -- '-security$' | sort -u || true)
  [ ${#bad[@]} -gt 0 ] || return 1
  echo "install-deps: the install could not be resolved with ${bad[*]}; installing from the main suites only." >&2
  use_sources_without "${bad[@]}"
  "$APT_GET" "${apt_opts[@]}" update -q >"$apt_log" 2>&1 || { cat "$apt_log" >&2; return 1; }
  apt_install "$@"
}

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
  install_missing "${missing[@]}"
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
