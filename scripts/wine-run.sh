#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the project's own.
#
#   wine-run.sh --prefix DIR [--winver VERSION] PROGRAM [ARGS...]
#
# A missing prefix is cloned from the template beside it (DIR/../template),
# which is made first when needed. --winver fakes a Windows version
# (win98, winme, win2k, winxp) for PROGRAM's file name only.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

prefix="" winver=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --winver) winver=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: $0 --prefix DIR [--winver V] PROGRAM [ARGS...]" >&2; exit 2; }
if [ -z "$prefix" ]; then
  prefix=${WINEPREFIX:-}
  [ -n "$prefix" ] || { echo "wine-run: no prefix given; refusing to use ~/.wine" >&2; exit 2; }
fi

mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
root=$(dirname "$prefix")
(
  flock 9
  # The lock's descriptor is closed for everything started here: a server
  # that stays would otherwise hold the lock for ever.
  if [ ! -f "$prefix/system.reg" ]; then
    if [ ! -f "$root/template/.template" ]; then
      "$here/wine-prefix.sh" template "$root/template" 9>&-
    fi
    "$here/wine-prefix.sh" clone "$root/template" "$prefix" 9>&-
  fi
  "$here/wine-prefix.sh" warm "$prefix" 9>&-
  if [ -n "$winver" ]; then
    exe=$(basename "$1")
    marker="$prefix/.winver-$exe-$winver"
    if [ ! -f "$marker" ]; then
      WINEPREFIX="$prefix" bash -c ". '$here/wine-env.sh'; wine reg add 'HKCU\\Software\\Wine\\AppDefaults\\$exe' /v Version /d '$winver' /f" </dev/null >/dev/null 2>&1 9>&-
      touch "$marker"
    fi
  fi
) 9>"$root/.lock"

export WINEPREFIX="$prefix"
. "$here/wine-env.sh"
# A Wine process may start helpers that outlive it (the prefix's services, a
# folder window): they must never inherit our caller's output, or a caller
# that reads it through a pipe (ctest, $(...)) would wait for them for ever.
# So the program writes into a file of ours, which is passed on at its end.
# Standard error stays apart: the emulator's own complaints must never be
# read as the program's output (test discovery parses it).
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
err=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out" "$err"' EXIT
# Listing a test program's cases changes nothing, so a listing that the
# emulator broke is simply asked for again (a failed listing fails the build).
tries=1
for arg in "$@"; do
  [ "$arg" = --list-test-cases ] && tries=3
done
while :; do
  status=0
  wine "$@" >"$out" 2>"$err" </dev/null || status=$?
  tries=$((tries - 1))
  [ $status -eq 0 ] || [ $tries -le 0 ] || continue
  break
done
cat "$out"
cat "$err" >&2
exit $status
