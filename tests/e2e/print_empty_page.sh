#!/usr/bin/env bash
# --print never sends a page without items (a missing job, one that cannot be
# read, an empty file): status 1, one line saying so, and nothing reaches the
# queue of a private CUPS scheduler; a page with an item does reach it.
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/private_cupsd.sh"
cupsd_require print_empty_page
work=$(mktemp -d /tmp/vexlan-empty.XXXXXX)
trap 'cupsd_stop "$work/cups"; rm -rf "$work"' EXIT
fail() { echo "print_empty_page: FAIL: $*" >&2; exit 1; }
chmod 755 "$work" && cupsd_start "$work/cups" && cupsd_queue "$work/cups" SLIPS || fail "scheduler"
export CUPS_SERVER="$work/cups/cups.sock"
mkdir "$work/dir.set" && : >"$work/empty.set"
for case in "missing.set|no job file could be read" "dir.set|no job file could be read" "empty.set|holds no items"; do
    rc=0
    "$VEXLAN_BIN" --job "$work/${case%%|*}" --print --printer SLIPS 2>"$work/stderr" || rc=$?
    refusal=$(grep -v '^vexlan: warning: ' "$work/stderr" || true)
    [ "$rc" = 1 ] && [ "$(wc -l <<<"$refusal")" = 1 ] && [[ $refusal == "vexlan: the page is empty ("*"${case#*|}"* ]] ||
        fail "${case%%|*}: status $rc, $(cat "$work/stderr")"
done
echo '[{"type": 3, "rect": [0, 0, 900, 900], "penWidth": 9, "color": 0}]' >"$work/one.json"
"$VEXLAN_JOB_TOOL" build "$work/one.json" -o "$work/one.set" && "$VEXLAN_BIN" --job "$work/one.set" --print --printer SLIPS
[ "$(lpstat -W all -o SLIPS | wc -l)" = 1 ] || fail "queue: $(lpstat -W all -o SLIPS), expected the one page with an item"
echo "print_empty_page: OK"
