#!/usr/bin/env bash
# The product's whole life, once, under Wine, told as it happens:
#   1. a stand-in installer lays out "C:\Program Files\Tazmor" and its
#      Uninstall.lst; another archiver already owns ".zip" and ".iso";
#   2. setup runs (the real dialogs with a display, unattended without);
#   3. what setup changed, read back from the prefix;
#   4. an archive opened through the shell reaches the archiver;
#   5. the registered uninstall command runs; what is left is compared with
#      the state before setup.
# Ends with a one-line verdict; exit code 1 when it is bad.
#
#   demo.sh [--lang french|german|hebrew] [--headless] [--no-build --build-dir DIR]
#
# --lang installs a sample language pack beside uninstall.exe. --no-build
# skips bootstrap and build and uses the programs in DIR (default
# build/win32). Everything happens in a fresh prefix under build/: nothing
# outside the repository is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

lang="" build=1 headless=0 bdir="$root/build/win32"
while [ $# -gt 0 ]; do
  case "$1" in
    --lang) lang=$2; shift 2 ;;
    --headless) headless=1; shift ;;
    --no-build) build=0; shift ;;
    --build-dir) bdir=$(cd "$2" && pwd); shift 2 ;;
    *) echo "usage: $0 [--lang french|german|hebrew] [--headless] [--no-build --build-dir DIR]" >&2; exit 2 ;;
  esac
done
case "$lang" in ""|french|german|hebrew) ;; *) echo "demo: no sample pack '$lang'" >&2; exit 2 ;; esac
[ -n "${DISPLAY:-}" ] || headless=1

say() { printf '\n== %s\n' "$*"; }

if [ "$build" = 1 ]; then
  bash scripts/bootstrap.sh
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 --target uninstall taz_standins taz_help taz_samples \
    sample_german_library listtool demodrive >/dev/null
fi
for f in uninstall.exe Tazmor.exe vozara.dll tazmor.hlp listtool.exe demodrive.exe; do
  [ -f "$bdir/$f" ] || { echo "demo: $bdir/$f is missing (build first)" >&2; exit 2; }
done

# The default build's prefix is build/demo; another build folder keeps its own.
if [ "$bdir" = "$root/build/win32" ]; then demo="$root/build/demo"; else demo="$bdir/demo"; fi
prefix="$demo/prefix"
scripts/wine-prefix.sh stop "$prefix" >/dev/null 2>&1 || true
rm -rf "$demo"
mkdir -p "$demo"
trap 'scripts/wine-prefix.sh stop "$prefix" >/dev/null 2>&1 || true' EXIT
say "Making a fresh Windows (Wine prefix) in ${demo#$root/}"
if [ -f "$bdir/prefixes/template/.template" ]; then
  scripts/wine-prefix.sh clone "$bdir/prefixes/template" "$prefix" >/dev/null
else
  scripts/wine-prefix.sh template "$prefix" >/dev/null
fi

# Every Windows program of the demo starts here, in the demo's prefix.
w() { "$root/scripts/wine-run.sh" --prefix "$prefix" "$@" </dev/null 2>/dev/null; }
if [ "$headless" = 0 ]; then
  w reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null || true
fi
work="$prefix/drive_c/demo"          # C:\demo: the demo's own notes and files
folder="$prefix/drive_c/Program Files/Tazmor"
winfolder='C:\Program Files\Tazmor'
mkdir -p "$work"

snapshot() {  # registry and files as they are now, under C:\demo\<name>.*
  w cmd /c "reg export HKLM\\Software\\Classes C:\\demo\\$1-classes.reg /y & reg export HKLM\\Software\\Microsoft\\Windows\\CurrentVersion C:\\demo\\$1-machine.reg /y & reg export HKCU\\Software C:\\demo\\$1-user.reg /y" >/dev/null || true
  (cd "$prefix/drive_c" && find . \( -path ./windows -o -path ./demo \) -prune -o -print | sed 's|^\.|C:|; s|/|\\|g' | sort) >"$work/$1-files.txt"
}
# Wine keeps notes of its own in these keys; they say nothing about Tazmor.
noise=(--ignore 'Software\\Wine' --ignore 'ThemeManager' --ignore 'Explorer\\(MountPoints|Shell Folders|SessionInfo)' --ignore 'CurrentVersion\\(Run|Fonts|Time Zones)')
regdiff() {  # what changed between two snapshots; exit code 1 when anything did
  local status=0 part
  for part in classes machine user; do
    python3 tools/demodrive/regdiff.py "$work/$1-$part.reg" "$work/$2-$part.reg" "${noise[@]}" \
      | grep -v '(no difference)' || true
    python3 tools/demodrive/regdiff.py "$work/$1-$part.reg" "$work/$2-$part.reg" "${noise[@]}" >/dev/null || status=1
  done
  return $status
}
filediff() {
  diff "$work/$1-files.txt" "$work/$2-files.txt" | sed -n 's/^> /  new   /p; s/^< /  gone  /p' || true
}

# --- 1. The product's own installer (a stand-in) ----------------------------------
say "1. The product's installer copies Tazmor into $winfolder"
mkdir -p "$folder/Examples" "$folder/Skins/Classic" "$folder/Skins/Dark"
for f in uninstall.exe Tazmor.exe vozara.dll tazmor.hlp; do cp "$bdir/$f" "$folder/"; done
printf 'Tazmor archiver\r\nQuick start: open an archive with a double click.\r\n' >"$folder/Qel.txt"
printf 'Tazmor licence agreement (demo copy).\r\n' >"$folder/license.txt"
printf 'To order Tazmor, write to the vendor.\r\n' >"$folder/order.txt"
printf 'example archive\r\n' >"$folder/Examples/letters.qel"
printf '[skin]\r\nname=Classic\r\n' >"$folder/Skins/Classic/skin.ini"
printf '[skin]\r\nname=Dark\r\n' >"$folder/Skins/Dark/skin.ini"
if [ -n "$lang" ]; then
  cp "$bdir/samples/$lang/"* "$folder/"
  echo "with the $lang language pack: $(cd "$bdir/samples/$lang" && ls | tr '\n' ' ')"
fi
w "$bdir/listtool.exe" write "$winfolder" | tr -d '\r'
echo "Uninstall.lst, written by listtool, names:"
tr -d '\r' <"$folder/Uninstall.lst" | sed 's/^/  /'
echo "listtool check of that list:"
w "$bdir/listtool.exe" check "$winfolder" | tr -d '\r' | sed 's/^/  /'

say "Another archiver already owns .zip (with its content type and New-menu template) and .iso"
cat >"$work/owner.reg" <<'REG'
REGEDIT4

[HKEY_CLASSES_ROOT\.zip]
@="Zipper.Archive"
"Content Type"="application/x-zip-compressed"

[HKEY_CLASSES_ROOT\.zip\ShellNew]
"NullFile"=""

[HKEY_CLASSES_ROOT\Zipper.Archive]
@="Zipper archive"

[HKEY_CLASSES_ROOT\Zipper.Archive\shell\open\command]
@="\"C:\\Program Files\\Zipper\\zipper.exe\" \"%1\""

[HKEY_CLASSES_ROOT\.iso]
@="Zipper.Image"

[HKEY_CLASSES_ROOT\Zipper.Image]
@="Zipper disc image"
REG
sed -i 's/$/\r/' "$work/owner.reg"
w reg import 'C:\demo\owner.reg' >/dev/null
for ext in .zip .iso; do
  echo "  $ext: $(w reg query "HKCR\\$ext" /ve | tr -d '\r' | sed -n 's/.*REG_SZ *//p')"
done
snapshot before

# --- 2. Setup ------------------------------------------------------------------------
setup_ok=1
if [ "$headless" = 1 ]; then
  say "2. Setup runs unattended: uninstall.exe /s /setup (no display)"
  (cd "$folder" && w "$winfolder\\uninstall.exe" /s /setup) || setup_ok=0
else
  say "2. Setup runs with its dialogs on your display: choose, then press OK"
  (cd "$folder" && w "$winfolder\\uninstall.exe" /setup) || setup_ok=0
fi
echo "setup ended ($([ $setup_ok = 1 ] && echo successfully || echo with an error))"
snapshot setup

say "3. What setup changed in the registry (read back from the prefix)"
regdiff before setup && setup_ok=0
say "   and in the files (shortcuts, program group, templates)"
filediff before setup

# --- 4. Opening an archive -------------------------------------------------------------
archive_ok=0
ext=qel
if w reg query 'HKCR\.zip' /ve | grep -q 'Tazmor'; then ext=zip; fi
say "4. A user double-clicks C:\\demo\\letters.$ext"
printf 'archive\r\n' >"$work/letters.$ext"
TAZMOR_STANDIN_LOG='C:\demo\archiver.log' w "$bdir/demodrive.exe" open "C:\\demo\\letters.$ext" 'C:\demo\archiver.log' \
  | tr -d '\r' | sed 's/^/  /' && archive_ok=1
[ -s "$work/archiver.log" ] || archive_ok=0

# --- 5. Uninstall ----------------------------------------------------------------------
uninstall_ok=1
command=$(w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tazmor archiver' /v UninstallString \
  | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
say "5. The user removes Tazmor: Windows runs the registered command $command"
if [ -z "$command" ]; then
  echo "no uninstall command is registered"
  uninstall_ok=0
elif [ "$headless" = 1 ]; then
  echo "(no display: the demo answers Yes for the user)"
  w "$bdir/demodrive.exe" answer "$command" 6 | tr -d '\r' | sed 's/^/  /' || uninstall_ok=0
else
  exe=${command#\"}; exe=${exe%%\"*}
  echo "answer the question on your display"
  w "$exe" || uninstall_ok=0
fi
echo "waiting for the removal script to delete the program and its folder"
for _ in $(seq 1 120); do
  [ -e "$folder" ] || break
  sleep 1
done
if [ -e "$folder" ]; then
  echo "the folder is still there: $(cd "$folder" && ls | tr '\n' ' ')"
  uninstall_ok=0
else
  echo "C:\\Program Files\\Tazmor is gone"
fi
snapshot after
say "What is left, compared with the state before setup: registry"
regdiff before after || uninstall_ok=0
echo "files:"
filediff before after | grep -v 'Program Files\\Tazmor' || echo "  (only the removed Tazmor folder)"
if filediff before after | grep -v 'Program Files\\Tazmor' | grep -q .; then uninstall_ok=0; fi
for ext in .zip .iso; do
  echo "  $ext belongs to $(w reg query "HKCR\\$ext" /ve | tr -d '\r' | sed -n 's/.*REG_SZ *//p') again"
done

# --- Verdict -------------------------------------------------------------------------
echo
problems=()
[ $setup_ok = 1 ] || problems+=("setup failed or changed nothing")
[ $archive_ok = 1 ] || problems+=("the archive did not reach the archiver")
[ $uninstall_ok = 1 ] || problems+=("uninstall left something behind")
if [ ${#problems[@]} = 0 ]; then
  echo "verdict: good: installed, set up, opened an archive and removed without a trace${lang:+ (with the $lang pack)}"
else
  echo "verdict: bad: $(IFS=';'; echo "${problems[*]}" | sed 's/;/; /g')"
  exit 1
fi
