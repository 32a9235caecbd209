#!/usr/bin/env bash
# The Wine environment of the Windows tests: one prefix inside a build tree,
# headless, Korean code page, one TMPDIR, one persistent wineserver per run.
#
#   scripts/wine-env.sh prefix WINEDIR          make the prefix if it is missing
#   scripts/wine-env.sh run WINEDIR -- CMD...   run CMD with a persistent
#                                               wineserver, stop it afterwards
#   scripts/wine-env.sh exec WINEDIR -- CMD...  run CMD in the environment only
#   scripts/wine-env.sh wine WINEDIR -- PROGRAM ARGS...
#                                               run a Windows program (the
#                                               CTest emulator of the tests)
#
# WINEDIR holds prefix/ (the Wine prefix) and tmp/ (the TMPDIR of every Wine
# process of the run: Wine finds its server through it, so all processes of a
# run must agree on it).
set -euo pipefail

usage() { echo "usage: $0 prefix|run|exec WINEDIR [-- CMD...]" >&2; exit 2; }
[ $# -ge 2 ] || usage
mode=$1
winedir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

export WINEPREFIX=$winedir/prefix
export TMPDIR=$winedir/tmp
# Wine takes the ANSI code page from the locale: 949 only with ko_KR.UTF-8
# (LANG alone gives 1252) and the system's texts are CP949.
export LC_ALL=ko_KR.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download dialogs while the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
mkdir -p "$TMPDIR"

# Some kernels run no 32-bit Linux programs ("Exec format error"), and the
# distribution's `wine` then fails although its 64-bit loader works: point
# `wine` at that loader. Such a machine runs only x86_64 Windows programs.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
  # A script, not a symlink: the loader finds its own files from argv[0].
  mkdir -p "$winedir/bin64"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$winedir/bin64/$name"
    chmod +x "$winedir/bin64/$name"
  done
  export PATH=$winedir/bin64:$PATH WINELOADER=/usr/lib/wine/wine64
fi

make_prefix() {
  if [ -f "$WINEPREFIX/.kavorin-ready" ]; then return 0; fi
  # Tests started side by side must not both make the prefix.
  exec 9>"$winedir/.lock"
  flock 9
  if [ -f "$WINEPREFIX/.kavorin-ready" ]; then flock -u 9; return 0; fi
  local start end
  start=$(date +%s%N)
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # The null graphics driver: windows, timers, dialogs and the tray work
  # with no X server.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
  end=$(date +%s%N)
  touch "$WINEPREFIX/.kavorin-ready"
  flock -u 9
  echo "wine-env: prefix $WINEPREFIX made in $(( (end - start) / 1000000 )) ms" >&2
}

case "$mode" in
  prefix)
    make_prefix
    ;;
  run|exec|wine)
    [ "${1:-}" = "--" ] || usage
    shift
    make_prefix
    if [ "$mode" = exec ]; then exec "$@"; fi
    if [ "$mode" = wine ]; then
      # The first Wine process of a server starts the prefix's services, and
      # they inherit its output: were that ctest's pipe, ctest would wait
      # for them to end. Output goes through a file instead.
      output=$(mktemp "$TMPDIR/output.XXXXXX")
      status=0
      wine "$@" >"$output" 2>&1 </dev/null || status=$?
      cat "$output"
      rm -f "$output"
      exit "$status"
    fi
    # A persistent server: each Wine process of the run then starts in tens
    # of milliseconds instead of bringing up a server and its services.
    # One that is running already (started by hand) is used and left alone.
    started=0
    if wineserver -p 2>/dev/null; then started=1; fi
    # Bring the services up now, away from any test's output.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    status=0
    "$@" || status=$?
    if [ "$started" -eq 1 ]; then
      wineserver -k 2>/dev/null || true
      wineserver -w 2>/dev/null || true
    fi
    exit "$status"
    ;;
  *) usage ;;
esac
