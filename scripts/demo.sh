#!/usr/bin/env bash
# The program's main job, once, under Wine: builds uninstall.exe, lays out an
# installation folder in a fresh prefix under build/demo, runs an unattended
# setup there and shows what it wrote. Nothing outside the repository is
# touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/bootstrap.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target uninstall taz_standins >/dev/null
echo "built build/win32/uninstall.exe ($(stat -c %s build/win32/uninstall.exe) bytes)"

prefix="$root/build/demo/prefix"
rm -rf "$root/build/demo"
mkdir -p "$root/build/demo"
scripts/wine-prefix.sh template "$prefix" >/dev/null
trap 'scripts/wine-prefix.sh stop "$prefix"' EXIT
folder="$prefix/drive_c/Program Files/Tazmor"
mkdir -p "$folder"
cp build/win32/uninstall.exe "$folder/"
list=""
for f in Tazmor.exe vozara.dll tazmor.hlp; do
  if [ -f "build/win32/$f" ]; then
    cp "build/win32/$f" "$folder/"
    list="$list$f\r\n"
  fi
done
printf "${list}qelnew.dat\r\nzipnew.dat\r\n" >"$folder/Uninstall.lst"
echo "installed into C:\\Program Files\\Tazmor: $(cd "$folder" && ls | tr '\n' ' ')"

wine_in() { (cd "$folder" && scripts_dir="$root/scripts" && "$root/scripts/wine-run.sh" --prefix "$prefix" "$@"); }
echo "running: uninstall.exe /s /setup"
wine_in 'C:\Program Files\Tazmor\uninstall.exe' /s /setup
echo "setup ended; what it wrote:"
for key in 'HKCU\Software\Tazmor' 'HKCR\.zip' 'HKCR\Tazmor' \
           'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tazmor archiver'; do
  echo "--- $key"
  wine_in reg query "$key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d' | head -40 || echo "(absent)"
done
