#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a producer learns from stderr and the exit status: a job whose image
# is missing still gives the page before it, with one warning line and
# status 0, and status 3 under --strict (the output is still written); an
# unknown VEXLAN_CODEPAGE is bad usage (status 2).
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 VEXLAN_CODEPAGE=65001 CUPS_SERVER="$work/no-cups.sock"
fail() { echo "producer_warnings: FAIL: $*" >&2; exit 1; }

cat >"$work/job.json" <<JSON
[{"type": 0, "rect": [1000, 1000, 9000, 2000], "text": "BEFOREMARK", "face": "Arial", "align": 0},
 {"type": 1, "rect": [1000, 3000, 9000, 9000], "path": "$work/missing.jpg"},
 {"type": 0, "rect": [1000, 9000, 9000, 9900], "text": "AFTERMARK", "face": "Arial", "align": 0}]
JSON
"$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$work/job.set" >/dev/null 2>&1 || fail "job tool"
expected="vexlan: warning: item 1: image \"$work/missing.jpg\": no such file; reading of the job stopped here"

run() { set +e; "$VEXLAN_BIN" --job "$work/job.set" --keep-job "$@" >"$work/out" 2>"$work/err"; status=$?; set -e; }
run --dump-items
[ "$status" = 0 ] || fail "--dump-items exited $status"
grep -q BEFOREMARK "$work/out" && ! grep -q AFTERMARK "$work/out" || fail "page: $(cat "$work/out")"
[ "$(cat "$work/err")" = "$expected" ] || fail "stderr: $(cat "$work/err")"

run --strict --pdf "$work/page.pdf"
[ "$status" = 3 ] || fail "--strict exited $status, expected 3"
[ "$(cat "$work/err")" = "$expected" ] || fail "strict stderr: $(cat "$work/err")"
pdftotext "$work/page.pdf" - | grep -q BEFOREMARK || fail "strict run wrote no page"

run --strict --pdf "$work/no/dir/page.pdf"   # a failed output keeps its own status
[ "$status" = 1 ] || fail "strict with unwritable output exited $status, expected 1"

for cp in 0 99999 garbage '' ' 936'; do
    set +e; VEXLAN_CODEPAGE=$cp "$VEXLAN_BIN" --job "$work/job.set" --keep-job --dump-items >/dev/null 2>"$work/err"; status=$?; set -e
    [ "$status" = 2 ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q "VEXLAN_CODEPAGE=\"$cp\"" "$work/err" ||
        fail "VEXLAN_CODEPAGE=$cp: status $status, stderr: $(cat "$work/err")"
done
echo "producer_warnings: OK"
