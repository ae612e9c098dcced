#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# --print never sends a page without items (a missing job, one that cannot be
# read, an empty file): status 1, one line saying so, nothing reaches the queue
# of a private CUPS scheduler; a page with an item does reach it.
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/private_cupsd.sh"
cupsd_require print_empty_page
w=$(mktemp -d /tmp/vexlan-empty.XXXXXX)
trap 'cupsd_stop "$w/cups"; rm -rf "$w"' EXIT
fail() { echo "print_empty_page: FAIL: $*" >&2; exit 1; }
chmod 755 "$w" && cupsd_start "$w/cups" && cupsd_queue "$w/cups" Q || fail "scheduler"
export CUPS_SERVER="$w/cups/cups.sock"
mkdir "$w/dir.set" && : >"$w/empty.set"
for c in "missing.set|no job file could be read" "dir.set|no job file could be read" "empty.set|holds no items"; do
    rc=0
    "$VEXLAN_BIN" --job "$w/${c%%|*}" --print --printer Q 2>"$w/err" || rc=$?
    line=$(grep -v '^vexlan: warning: ' "$w/err" || true)
    [ "$rc" = 1 ] && [[ $line == "vexlan: the page is empty ("*"${c#*|}"*"); nothing was sent to the printer" ]] ||
        fail "${c%%|*}: status $rc, $(cat "$w/err")"
done
# The page's emptiness is told before the printer is judged: an unknown queue
# does not hide it.
: >"$w/empty.set"; rc=0; "$VEXLAN_BIN" --job "$w/empty.set" --print --printer NO_SUCH_QUEUE 2>"$w/err" || rc=$?
[ "$rc" = 1 ] && grep -q '^vexlan: the page is empty' "$w/err" && ! grep -q NO_SUCH_QUEUE "$w/err" || fail "unknown queue: $(cat "$w/err")"
echo '[{"type": 3, "rect": [0, 0, 900, 900], "penWidth": 9, "color": 0}]' >"$w/one.json"
"$VEXLAN_JOB_TOOL" build "$w/one.json" -o "$w/one.set" && "$VEXLAN_BIN" --job "$w/one.set" --print --printer Q
[ "$(lpstat -W all -o Q | wc -l)" = 1 ] || fail "queue: $(lpstat -W all -o Q), expected only the page with an item"
echo "print_empty_page: OK"
