# Sourced by the other scripts: the Wine environment Vesko runs in, a
# prefix of the project's own, and helpers to start and stop Xvfb and a
# persistent wineserver by PID.

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8   # code page 932

# The program ships for 32 bits, and runs under 32-bit Wine where it can.
# Some machines cannot start 32-bit Linux programs at all (their kernel or
# sandbox has no 32-bit support: "Exec format error"), and so not 32-bit
# Wine either; there the Windows programs are built for 64 bits and run
# under 64-bit Wine. VESKO_WIN_ARCH (i686 or x86_64) says which; the
# toolchain file for it is VESKO_TOOLCHAIN.
_vesko_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${VESKO_WIN_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
    VESKO_WIN_ARCH=x86_64
  else
    VESKO_WIN_ARCH=i686
  fi
fi
export VESKO_WIN_ARCH
export VESKO_TOOLCHAIN=$_vesko_root/cmake/mingw-$VESKO_WIN_ARCH.cmake
if [ "$VESKO_WIN_ARCH" = x86_64 ]; then
  export WINEARCH=win64
  # Debian's wine launcher picks the 32-bit loader whenever it is installed,
  # runnable or not: put one first on PATH that starts the 64-bit loader.
  _vesko_shim=${TMPDIR:-/tmp}/vesko-wine64-$(id -u)
  mkdir -p "$_vesko_shim"
  for _vesko_tool in wine wine-stable; do   # wineboot, winepath and regedit start wine-stable
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$_vesko_shim/$_vesko_tool"
    chmod +x "$_vesko_shim/$_vesko_tool"
  done
  export PATH=$_vesko_shim:$PATH WINELOADER=/usr/lib/wine/wine64
else
  export WINEARCH=win32
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="     # no Mono or Gecko download prompts (see use_wine_gecko)

# make_prefix DIR MANAGED: creates the prefix once. MANAGED=N lets Wine
# draw its own window frames, which makes showing and hiding windows fast
# on a bare X server (tests); Y leaves them to the desktop's window manager.
make_prefix() {
  local dir=$1 managed=$2
  [ "$VESKO_WIN_ARCH" = i686 ] || dir=$dir-$VESKO_WIN_ARCH   # a prefix serves one architecture
  export WINEPREFIX=$dir
  if [ -f "$dir/.vesko-ready" ]; then add_marlett "$dir"; return 0; fi
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "Creating the Wine prefix $dir ..." >&2
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  local reg=$dir/vesko-settings.reg
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="%s"\r\n\r\n' "$managed"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"mshtml"=""\r\n"mscoree"=""\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    printf '"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '"MS UI Gothic"="IPAPGothic"\r\n"MS Shell Dlg"="IPAPGothic"\r\n"MS Shell Dlg 2"="IPAPGothic"\r\n\r\n'
  } | iconv -f UTF-8 -t UTF-16 > "$reg"
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
  wineserver -w
  # Without these settings every window takes seconds to hide and a crash
  # waits on a dialog: better to stop here than to run that slowly.
  if ! grep -q '"Managed"="'"$managed"'"' "$dir/user.reg"; then
    echo "Could not set up the Wine prefix $dir (the registry import failed)." >&2
    return 1
  fi
  add_marlett "$dir"
  touch "$dir/.vesko-ready"
}

# wine_gecko_name: the file name of the Gecko add-on this Wine wants
# (wine-gecko-VERSION-x86.msi), read from Wine's own installer of it.
wine_gecko_name() {
  local cpl
  for cpl in /usr/lib/*/wine/i386-windows/appwiz.cpl /usr/lib*/wine/i386-windows/appwiz.cpl \
             /opt/wine*/lib*/wine/i386-windows/appwiz.cpl; do
    if [ -f "$cpl" ]; then
      # The name is stored in UTF-16: drop the zero bytes to read it.
      tr -d '\000' < "$cpl" | grep -ao 'wine-gecko-[0-9.]*-x86\.msi' | head -n 1
      return 0
    fi
  done
  return 1
}

# find_wine_gecko: prints where that add-on is, in the places Wine looks
# for it (its shared folder, unpacked or not, and the user's Wine cache);
# fails when it is in none of them.
find_wine_gecko() {
  local name candidate
  name=$(wine_gecko_name) || return 1
  [ -n "$name" ] || return 1
  for candidate in "/usr/share/wine/gecko/${name%.msi}" "/usr/share/wine/gecko/$name" \
                   "${XDG_CACHE_HOME:-$HOME/.cache}/wine/$name"; do
    if [ -e "$candidate" ]; then echo "$candidate"; return 0; fi
  done
  return 1
}

# use_wine_gecko: lets Wine's HTML engine render pages in the current
# prefix when the Gecko add-on is found, installing it into the prefix
# once. Without it the engine stays off, so that Wine never stops to offer
# a download, and one line says what that means.
use_wine_gecko() {
  local addon name
  if ! addon=$(find_wine_gecko); then
    name=$(wine_gecko_name 2>/dev/null) || true
    echo "Wine's Gecko add-on (${name:-wine-gecko-VERSION-x86.msi}) is in neither /usr/share/wine/gecko nor ~/.cache/wine, so pages under Wine's IE control stay blank; put it there (https://wiki.winehq.org/Gecko) and run again." >&2
    return 0
  fi
  if [ ! -f "$WINEPREFIX/.vesko-gecko" ]; then
    case $addon in
      *.msi)
        echo "Installing Wine's Gecko add-on into the prefix ..." >&2
        if ! wine msiexec /i "$(winepath -w "$addon" 2>/dev/null)" /qn >/dev/null 2>&1; then
          echo "Wine could not install $addon, so pages under Wine's IE control stay blank." >&2
          return 0
        fi
        wineserver -w
        ;;
    esac
    touch "$WINEPREFIX/.vesko-gecko"
  fi
  export WINEDLLOVERRIDES="mscoree="
  wine reg delete 'HKCU\Software\Wine\DllOverrides' /v mshtml /f >/dev/null 2>&1 || true
}

# Debian's Wine keeps Marlett, the font of window caption buttons, in a
# package of its own and does not find it there: give the prefix a copy.
add_marlett() {
  local fonts=$1/drive_c/windows/Fonts
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
}

# start_xvfb: starts a private X server on a free display number and
# exports DISPLAY; XVFB_PID names it.
start_xvfb() {
  local n
  for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      local i
      for i in $(seq 1 50); do
        if [ -e "/tmp/.X11-unix/X$n" ]; then export DISPLAY=":$n"; return 0; fi
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then break; fi
        sleep 0.1
      done
      kill "$XVFB_PID" 2>/dev/null || true
    fi
  done
  echo "Could not start Xvfb" >&2
  return 1
}

# start_wineserver: a persistent wineserver for the current prefix, so that
# every test program starts in milliseconds; WINESERVER_PID names it.
start_wineserver() {
  wineserver -f -p >/dev/null 2>&1 &
  WINESERVER_PID=$!
  # The first program starts Wine's services, which inherit its standard
  # streams: start them from one whose streams lead nowhere, or they would
  # hold a caller's pipe open for as long as they live.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wineserver() {
  if [ -n "${WINESERVER_PID:-}" ]; then
    # Ends this prefix's Wine processes and then the server itself.
    wineserver -k 2>/dev/null || true
    kill "$WINESERVER_PID" 2>/dev/null || true
    wait "$WINESERVER_PID" 2>/dev/null || true
    WINESERVER_PID=
  fi
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}

# start_session PREFIX: a private display and a persistent wineserver for a
# prefix made for unattended runs, both stopped by PID when the script exits.
start_session() {
  trap 'stop_wineserver; stop_xvfb' EXIT
  start_xvfb
  make_prefix "$1" N
  start_wineserver
}
