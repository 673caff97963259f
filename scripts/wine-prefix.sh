#!/usr/bin/env bash
# Headless Wine prefixes for the tests and the demo.
#
#   wine-prefix.sh template DIR        make a template prefix in DIR
#   wine-prefix.sh clone TEMPLATE DIR  make DIR a fresh copy of TEMPLATE
#   wine-prefix.sh warm DIR            start the prefix's server and services
#   wine-prefix.sh stop DIR            end every process of the prefix
#
# A template is made once per test run and cloned per test executable.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

abs() { mkdir -p "$1" && (cd "$1" && pwd); }

make_template() {
  local dir; dir=$(abs "$1")
  rm -rf "$dir"; mkdir -p "$dir"
  (
    export WINEPREFIX="$dir"
    . "$here/wine-env.sh"
    # Under emulation a first start now and then never finishes: give it a
    # bounded time and a second chance.
    if ! timeout 300 wineboot -i </dev/null >/dev/null 2>&1; then
      wineserver -k </dev/null >/dev/null 2>&1 || true
      timeout 300 wineboot -i </dev/null >/dev/null 2>&1
    fi
    # Dialogs and message boxes become real windows without any display.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
    # A crash must end the process (exit code 5), not wait in the debugger.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    wineserver -w
  )
  # The user's profile folders are links into the Linux home after wineboot:
  # a desktop shortcut would land there, and deleting it would delete there.
  local user
  for user in "$dir"/drive_c/users/*; do
    [ -d "$user" ] || continue
    local f
    for f in "$user"/* "$user"/AppData/Roaming/Microsoft/Windows/Templates; do
      if [ -L "$f" ]; then rm -f "$f"; mkdir -p "$f"; fi
    done
  done
  if find "$dir/drive_c/users" -type l | grep -q .; then
    echo "wine-prefix: links remain under drive_c/users" >&2
    find "$dir/drive_c/users" -type l >&2
    exit 1
  fi
  touch "$dir/.template"
}

clone() {
  local template dir
  template=$(cd "$1" && pwd)
  [ -f "$template/.template" ] || { echo "wine-prefix: $template is not a template" >&2; exit 1; }
  dir=$(abs "$2")
  stop "$dir" 2>/dev/null || true
  rm -rf "$dir"; mkdir -p "$dir"
  # The DLL trees are shared by hard links; whatever Wine rewrites in place
  # (the registry hives, the profiles, the ini files) is copied for real.
  cp -al "$template/drive_c" "$dir/"
  cp -a "$template/dosdevices" "$dir/"
  rm -rf "$dir/drive_c/users" "$dir/drive_c/ProgramData"
  cp -a "$template/drive_c/users" "$dir/drive_c/"
  [ -d "$template/drive_c/ProgramData" ] && cp -a "$template/drive_c/ProgramData" "$dir/drive_c/"
  find "$dir/drive_c/windows" -maxdepth 1 -type f -exec sh -c 'for f; do cp --remove-destination "$f" "$f.tmp" && mv "$f.tmp" "$f"; done' sh {} +
  cp "$template"/*.reg "$dir/"
  [ -f "$template/.update-timestamp" ] && cp "$template/.update-timestamp" "$dir/"
  rm -f "$dir/.template"
}

server_socket() {
  local dir=$1 dev ino
  dev=$(stat -c '%D' "$dir"); ino=$(printf '%x' "$(stat -c '%i' "$dir")")
  echo "/tmp/.wine-$(id -u)/server-$dev-$ino/socket"
}

warm() {
  local dir; dir=$(cd "$1" && pwd)
  [ -S "$(server_socket "$dir")" ] && return 0
  (
    export WINEPREFIX="$dir"
    . "$here/wine-env.sh"
    # The first process starts the prefix's services, which inherit its
    # output; with /dev/null there nobody ever waits on them.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    if ! timeout 180 wine cmd /c exit </dev/null >/dev/null 2>&1; then
      # A start that hangs (seen under emulation) gets one fresh try.
      wineserver -k </dev/null >/dev/null 2>&1 || true
      sleep 1
      wineserver -p </dev/null >/dev/null 2>&1 || true
      timeout 180 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    fi
  )
}

stop() {
  local dir; dir=$(cd "$1" 2>/dev/null && pwd) || return 0
  [ -f "$dir/system.reg" ] || return 0
  ( export WINEPREFIX="$dir"; . "$here/wine-env.sh"; wineserver -k </dev/null >/dev/null 2>&1 || true )
}

case "${1:-}" in
  template) make_template "$2" ;;
  clone) clone "$2" "$3" ;;
  warm) warm "$2" ;;
  stop) stop "$2" ;;
  *) echo "usage: $0 template DIR | clone TEMPLATE DIR | warm DIR | stop DIR" >&2; exit 2 ;;
esac
