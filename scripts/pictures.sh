#!/usr/bin/env bash
# Pictures of every dialog and message box of uninstall.exe, as PNG files in
# docs/pictures/. Runs the program under Wine on a virtual X display (Xvfb) in
# a prefix of its own that draws through the X11 driver, so that the pictures
# show what a user sees: caption, frame, fonts.
#
#   scripts/pictures.sh [BUILD_DIR]     (default build/pictures)
#
# Needs xvfb, x11-apps (xwd) and imagemagick. Nothing outside BUILD_DIR and
# docs/pictures is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(mkdir -p "${1:-build/pictures}" && cd "${1:-build/pictures}" && pwd)
out="$root/docs/pictures"
mkdir -p "$out"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-i686-win32.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
fi
cmake --build "$build" -j2 --target uninstall taz_standins taz_samples taz_help picdrive >/dev/null

# A prefix of its own, cloned from a headless template and switched to the
# X11 driver while no Wine process runs in it. Without a window manager Wine
# draws the captions itself ("Decorated" = "N").
prefixes="$build/prefixes"
prefix="$prefixes/pictures"
[ -f "$prefixes/template/.template" ] || scripts/wine-prefix.sh template "$prefixes/template" >/dev/null
scripts/wine-prefix.sh stop "$prefix" 2>/dev/null || true
scripts/wine-prefix.sh clone "$prefixes/template" "$prefix"
sed -i 's/^"Graphics"="null"/"Graphics"="x11"/' "$prefix/user.reg"
printf '\n[Software\\\\Wine\\\\X11 Driver] 1700000000\n"Decorated"="N"\n' >>"$prefix/user.reg"

# The first free display from :90 on.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  scripts/wine-prefix.sh stop "$prefix" || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.2; done

drive_c="$prefix/drive_c"
cp "$build/picdrive.exe" "$drive_c/picdrive.exe"
run() { "$root/scripts/wine-run.sh" --prefix "$prefix" "$@" </dev/null; }
drive() { run 'C:\picdrive.exe' "$@"; }
# The installer starts the program in the installation folder, and the
# program finds its help file and documents there.
run_in() { local dir=$1; shift; (cd "$drive_c/$dir" && run "$@"); }

# shoot NAME TEXT: waits for the window whose caption contains TEXT ("*" for
# any dialog) and saves the screen cut to that window as NAME.png.
shoot() {
  local name=$1 text=$2 rect
  if ! rect=$(drive wait "$text" 90 | tr -d '\r' | tail -1); then
    echo "docs/pictures/$name.png: no window \"$text\" appeared" >&2
    return 0
  fi
  read -r x y w h <<<"$rect"
  xwd -root -silent | /usr/bin/convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "png:$out/$name.png"
  echo "docs/pictures/$name.png  (${w}x${h} at $x,$y)"
}

# install NAME [FILES...]: a fresh installation folder C:\<NAME> with the
# program, the stand-ins and the given extra files.
install() {
  local folder="$drive_c/$1"; shift
  rm -rf "$folder"; mkdir -p "$folder"
  cp "$build/uninstall.exe" "$build/Tazmor.exe" "$build/vozara.dll" "$build/tazmor.hlp" "$folder/"
  local f
  for f in "$@"; do cp "$f" "$folder/"; done
  printf 'Tazmor.exe\r\nvozara.dll\r\ntazmor.hlp\r\n' >"$folder/Uninstall.lst"
}

# A Hebrew locale of our own (LOCPATH), so that nothing of the system changes.
hebrew_locale() {
  [ -d "$build/locale/he_IL.UTF-8" ] && return 0
  mkdir -p "$build/locale"
  localedef -i he_IL -f UTF-8 "$build/locale/he_IL.UTF-8" >/dev/null 2>&1 ||
    { echo "no Hebrew locale: the Hebrew picture shows code page 1252" >&2; return 1; }
}

scripts/wine-prefix.sh warm "$prefix"

# The setup road in English: the dialog with its defaults, the context-menu
# items, the help viewer at the setup page, then the completion dialog.
install Tazmor
run_in Tazmor 'C:\Tazmor\uninstall.exe' /setup &
setup_pid=$!
shoot setup "Tazmor Setup"
drive click "Tazmor Setup" 5121
shoot contextitems "Context menu items"
drive click "Context menu items" 2
sleep 1
drive click "Tazmor Setup" 9
# The viewer's caption is its own, not the help file's title.
shoot help-setup "Help"
drive close "Help"
sleep 1
drive click "Tazmor Setup" 1
sleep 3
shoot completion "Tazmor Setup"
drive click "Tazmor Setup" 1
sleep 2
wait "$setup_pid" || true

# The same dialog translated, scaled and right to left, from the sample packs.
for pack in german/qellng.dll french/uninstall.lng hebrew/uninstall.lng; do
  language=${pack%%/*}
  install "Tazmor-$language" "$build/samples/$pack"
  (
    # The Hebrew pack is written in code page 1255: the program must run
    # with that ANSI code page, which Wine takes from the locale.
    if [ "$language" = hebrew ] && hebrew_locale; then
      export LOCPATH="$build/locale"
      # bash itself does not see the private locale and would say so.
      { export LC_ALL=he_IL.UTF-8; } 2>/dev/null
    fi
    run_in "Tazmor-$language" "C:\\Tazmor-$language\\uninstall.exe" /setup
  ) &
  pid=$!
  shoot "setup-$language" "*"
  drive close "*"
  wait "$pid" || true
done

# Uninstall: the confirmation, and the error when the list is missing.
install Removal
rm -f "$drive_c/Removal/Uninstall.lst"
run_in Removal 'C:\Removal\uninstall.exe' &
pid=$!
shoot uninstall-confirm "*"
drive click "*" 6
shoot uninstall-no-list "*"
drive click "*" 1
wait "$pid" || true

# The /warning message.
install Warning
run_in Warning 'C:\Warning\uninstall.exe' /warning &
pid=$!
shoot warning "*"
drive click "*" 1
wait "$pid" || true
