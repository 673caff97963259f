# Sourced by the Wine scripts: the environment that every Wine process of the
# project runs with. Callers set WINEPREFIX first; nothing here ever falls back
# to ~/.wine.
: "${WINEPREFIX:?WINEPREFIX must be set: refusing to touch ~/.wine}"
export WINEPREFIX
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
# A delete with undo moves files into $XDG_DATA_HOME/Trash: keep that and any
# home-relative path Wine derives inside the prefix, never in the real home.
export XDG_DATA_HOME="$WINEPREFIX/.scratch/data"
export XDG_CONFIG_HOME="$WINEPREFIX/.scratch/config"
export XDG_CACHE_HOME="$WINEPREFIX/.scratch/cache"
export HOME="$WINEPREFIX/.scratch/home"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$HOME"
