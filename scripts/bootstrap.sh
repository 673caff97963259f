#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need.
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686
  wine wine32 wine32-preloader wine64
  doctest-dev
  clang libclang-rt-14-dev
  python3
  xvfb x11-apps imagemagick
  qemu-user-static
)

missing=()
for p in "${packages[@]}"; do
  arch_pkg="$p"
  case "$p" in wine32 | wine32-preloader) arch_pkg="$p:i386" ;; esac
  if ! dpkg-query -W -f='${Status}' "$arch_pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$arch_pkg")
  fi
done

# 32-bit Linux programs (Wine's loader for 32-bit Windows programs) need a
# kernel that runs 32-bit code. Where it does not (some virtual machines turn
# it off), qemu's user-mode emulator runs them, registered through binfmt_misc.
enable_i386_emulation() {
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    return 0
  fi
  local misc=/proc/sys/fs/binfmt_misc
  [ -f "$misc/register" ] || mount -t binfmt_misc binfmt_misc "$misc"
  if [ ! -f "$misc/qemu-i386" ]; then
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' >"$misc/register"
  fi
  echo 1 >"$misc/qemu-i386"
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "bootstrap: this machine cannot run 32-bit programs, not even emulated" >&2
    exit 1
  fi
  echo "bootstrap: 32-bit programs run through qemu-i386 on this machine"
}

if [ ${#missing[@]} -eq 0 ]; then
  enable_i386_emulation
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "bootstrap: done"
enable_i386_emulation
