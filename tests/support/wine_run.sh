#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the Windows test programs under Wine for CTest (the build's
# CMAKE_CROSSCOMPILING_EMULATOR), quietly and with no display:
#   wine_run.sh --start           makes a private Wine prefix in a temporary
#                                 folder, starts its server, and records the
#                                 prefix in the file VEXLAN_WINE_STATE names;
#   wine_run.sh --stop            ends that server and every Wine process of
#                                 the prefix, and removes the prefix;
#   wine_run.sh PROGRAM [ARGS]    runs PROGRAM in the recorded prefix, or in
#                                 one of its own, made and removed around the
#                                 run, when none is recorded.
# The server is started first and persistent (for a bounded time), so that no
# Wine process leaves a server behind holding the caller's output pipe open.
set -euo pipefail

export WINEDEBUG=-all
# No Mono or Gecko installer at prefix creation; no window. The caller's own
# follow (explorer.exe=: no desktop, which waits 10 s for a printer's first use).
export WINEDLLOVERRIDES="mscoree=;mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
unset DISPLAY WAYLAND_DISPLAY

state=${VEXLAN_WINE_STATE:-}

make_prefix() {
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vexlan-wine.XXXXXX")
  export WINEPREFIX
  # Leaves after 60 s without a client if a run is interrupted before --stop.
  wineserver -p 60 </dev/null >/dev/null 2>&1
  wine wineboot --init </dev/null >/dev/null 2>&1
}

remove_prefix() {
  case "$WINEPREFIX" in
    */vexlan-wine.??????) ;;
    *) echo "wine_run: refusing to remove $WINEPREFIX" >&2; return 1 ;;
  esac
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}

case "${1:-}" in
  --start)
    : "${state:?VEXLAN_WINE_STATE names no file}"
    make_prefix
    printf '%s\n' "$WINEPREFIX" >"$state"
    ;;
  --stop)
    : "${state:?VEXLAN_WINE_STATE names no file}"
    [ -f "$state" ] || exit 0
    WINEPREFIX=$(cat "$state")
    export WINEPREFIX
    rm -f "$state"
    remove_prefix
    ;;
  "")
    echo "usage: wine_run.sh --start | --stop | PROGRAM [ARGS...]" >&2
    exit 2
    ;;
  *)
    if [ -n "$state" ] && [ -f "$state" ]; then
      WINEPREFIX=$(cat "$state")
      export WINEPREFIX
      exec wine "$@"
    fi
    make_prefix
    trap remove_prefix EXIT
    status=0
    wine "$@" || status=$?
    exit "$status"
    ;;
esac
