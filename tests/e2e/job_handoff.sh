#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end: the job hand-off of the real binary. A job built with
# vexlan-job is read (--dump-items shows what would be printed) and then
# deleted, whatever it held; the job beside the executable is found from the
# name it was started under (a producer's link included); non-regular files
# never block; without a display the job is kept; bad usage exits 2 with one
# line on stderr. Two instances on one job: one reads it, the other none.
#
# Needs VEXLAN_BIN and VEXLAN_JOB_TOOL (set by ctest) and python3.
set -euo pipefail

: "${VEXLAN_BIN:?VEXLAN_BIN must name the vexlan binary}"
: "${VEXLAN_JOB_TOOL:?VEXLAN_JOB_TOOL must name the vexlan-job binary}"
VEXLAN_BIN=$(realpath "$VEXLAN_BIN")
VEXLAN_JOB_TOOL=$(realpath "$VEXLAN_JOB_TOOL")

T=$(mktemp -d)
trap 'chmod -R u+rwx "$T" 2>/dev/null || true; rm -rf "$T"' EXIT
export QT_QPA_PLATFORM=offscreen
export VEXLAN_CODEPAGE=65001

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# build_job JSON OUT: writes a job file from a JSON description.
build_job() {
    printf '%s' "$1" >"$T/job.json"
    "$VEXLAN_JOB_TOOL" build "$T/job.json" -o "$2"
}

# same_json WHAT ACTUAL EXPECTED: parses both and compares them.
same_json() {
    python3 - "$@" <<'PY' || fail "$1"
import json, sys
what, actual, expected = sys.argv[1:4]
try:
    a = json.loads(actual)
except ValueError as e:
    print("%s: output is not JSON (%s): %r" % (what, e, actual), file=sys.stderr)
    sys.exit(1)
e = json.loads(expected)
if a != e:
    print("%s:\n  got      %s\n  expected %s" % (what, json.dumps(a, ensure_ascii=False),
          json.dumps(e, ensure_ascii=False)), file=sys.stderr)
    sys.exit(1)
PY
}

# dump_ok WHAT JOB EXPECTED [OPTIONS...]: --dump-items on JOB exits 0 with
# exactly the expected items.
dump_ok() {
    local what=$1 job=$2 expected=$3 out rc=0
    shift 3
    out=$("$VEXLAN_BIN" --job "$job" --dump-items "$@" 2>"$T/stderr") || rc=$?
    [ "$rc" -eq 0 ] || fail "$what: exit status $rc ($(cat "$T/stderr"))"
    same_json "$what" "$out" "$expected"
}

gone() { [ ! -e "$1" ] || fail "$2: job file $1 still exists"; }

# --- 1. A job with every kind of record that loads without image data.
printf 'first\r\nsecond line\n' >"$T/lines.txt"
JOB_JSON=$(cat <<EOF
[
 {"type": 0, "rect": [1000, 2000, 9000, 2500], "text": "Total: 42", "face": "Arial", "align": 1},
 {"type": 7, "rect": [0, 0, 10, 10], "text": "never shown"},
 {"type": 3, "rect": [500, 500, 20500, 28700], "penWidth": 50, "color": 16711680},
 {"type": -1, "rect": [0, 0, 10, 10]},
 {"type": 0, "rect": [0, 0, 0, 0], "text": "", "face": "", "align": 2},
 {"type": 2, "rect": [0, 3000, 10000, 9000], "path": "$T/lines.txt", "face": "Courier New"},
 {"type": 2, "rect": [0, 0, 100, 100], "path": "notes.doc", "face": "SimSun"},
 {"type": 0, "rect": [-5, -6, 2147483647, -2147483648], "text": "tab\there \"quoted\" \\\\", "face": "F", "align": 4294967295}
]
EOF
)
EXPECTED=$(cat <<EOF
[
 {"type": 0, "rect": [1000, 2000, 9000, 2500], "text": "Total: 42", "face": "Arial", "align": 1},
 {"type": 3, "rect": [500, 500, 20500, 28700], "penWidth": 50, "color": 16711680},
 {"type": 0, "rect": [0, 0, 0, 0], "text": "", "face": "", "align": 2},
 {"type": 2, "rect": [0, 3000, 10000, 9000], "path": "$T/lines.txt", "face": "Courier New",
  "lineCount": 2, "maxLineLen": 11, "block": "first\nsecond line"},
 {"type": 2, "rect": [0, 0, 100, 100], "path": "notes.doc", "face": "SimSun",
  "lineCount": 0, "maxLineLen": 0, "block": ""},
 {"type": 0, "rect": [-5, -6, 2147483647, -2147483648], "text": "tab\there \"quoted\" \\\\", "face": "F", "align": 4294967295}
]
EOF
)
build_job "$JOB_JSON" "$T/full.set"
dump_ok "full job" "$T/full.set" "$EXPECTED"
gone "$T/full.set" "full job"

build_job "$JOB_JSON" "$T/kept.set"
dump_ok "--keep-job" "$T/kept.set" "$EXPECTED" --keep-job
[ -f "$T/kept.set" ] || fail "--keep-job: the job file was deleted"
dump_ok "--keep-job, read again" "$T/kept.set" "$EXPECTED"
gone "$T/kept.set" "read after --keep-job"

build_job "$JOB_JSON" "$T/readonly.set"
chmod 444 "$T/readonly.set"
dump_ok "read-only job" "$T/readonly.set" "$EXPECTED"
gone "$T/readonly.set" "read-only job"

# A job that cannot be deleted (directory not writable; root runs it as
# nobody) is read all the same and stays, with a warning; --strict: status 3.
mkdir -p "$T/locked" && cp "$VEXLAN_BIN" "$T/locked/vexlan" && build_job "$JOB_JSON" "$T/locked/job.set"
chmod 755 "$T" && chmod 644 "$T/locked/job.set" && chmod 555 "$T/locked"
for status in 0 3; do
    rc=0
    out=$($([ "$(id -u)" -ne 0 ] || echo setpriv --reuid=65534 --regid=65534 --clear-groups) "$T/locked/vexlan" \
        --job "$T/locked/job.set" --dump-items $([ $status = 0 ] || echo --strict) 2>"$T/stderr") || rc=$?
    same_json "undeletable job" "$out" "$EXPECTED"
    [ "$rc" = $status ] && [ -f "$T/locked/job.set" ] && grep -q "^vexlan: warning: job file \
\"$T/locked/job.set\": cannot be deleted (permission denied)" "$T/stderr" || fail "undeletable: $rc $(cat "$T/stderr")"
done
chmod 755 "$T/locked"

# --- Damaged jobs: what was complete before the damage, and always deleted.
TWO='[{"type": 0, "rect": [1, 2, 3, 4], "text": "a", "face": "F", "align": 0}, {"type": 3, "rect": [5, 6, 7, 8], "penWidth": 9, "color": 10}]'
TWO_OUT=$TWO
FIRST_OUT='[{"type": 0, "rect": [1, 2, 3, 4], "text": "a", "face": "F", "align": 0}]'
while IFS='|' read -r what extra expected; do
    build_job "{\"items\": $TWO $extra}" "$T/damaged.set"
    dump_ok "$what" "$T/damaged.set" "$expected"
    gone "$T/damaged.set" "$what"
done <<EOF
empty file|, "truncate": 0|[]
3 bytes|, "truncate": 3|[]
header cut inside the count|, "truncate": 6|[]
header only|, "truncate": 8|[]
wrong magic|, "magic": 3458443644|[]
magic in the other byte order|, "magic": 2074682318|[]
count 0|, "count": 0|[]
count -1|, "count": -1|[]
count 5, two records|, "count": 5|$TWO_OUT
count 5, second record cut in half|, "count": 5, "truncate": 470|$FIRST_OUT
count 1 of two records|, "count": 1|$FIRST_OUT
EOF

out=$("$VEXLAN_BIN" --job "$T/no-such.set" --dump-items) || fail "missing job: exit status $?"
same_json "missing job" "$out" "[]"

# An image that cannot be loaded ends the page there.
build_job '[{"type": 0, "rect": [0, 0, 1, 1], "text": "kept", "face": "F"},
            {"type": 1, "rect": [0, 0, 1, 1], "path": "picture.png"},
            {"type": 3, "rect": [0, 0, 1, 1], "penWidth": 1, "color": 0}]' "$T/img.set"
dump_ok "image that cannot be loaded" "$T/img.set" \
    '[{"type": 0, "rect": [0, 0, 1, 1], "text": "kept", "face": "F", "align": 0}]'
gone "$T/img.set" "image that cannot be loaded"

# --- GBK: strings are stored in code page 936 and shown as UTF-8.
GBK_JSON='[{"type": 0, "rect": [0, 0, 100, 100], "text": "打印输出", "face": "宋体", "align": 0},
           {"type": 0, "rect": [0, 0, 100, 100], "textBytes": "df5c815c", "face": "黑体", "align": 0},
           {"type": 0, "rect": [0, 0, 100, 100], "textBytes": "41ff42", "faceBytes": "c4", "align": 0}]'
VEXLAN_CODEPAGE=936 build_job "$GBK_JSON" "$T/gbk.set"
python3 - "$T/gbk.set" <<'PY' || fail "GBK job: text not stored in code page 936"
import sys
data = open(sys.argv[1], "rb").read()
rec = data[8:8 + 308]
text = rec[4:264].split(b"\0")[0]
face = rec[264:280].split(b"\0")[0]
if text != "打印输出".encode("gbk") or face != "宋体".encode("gbk"):
    print("stored %r / %r" % (text, face), file=sys.stderr)
    sys.exit(1)
PY
out=$(VEXLAN_CODEPAGE=936 "$VEXLAN_BIN" --job "$T/gbk.set" --dump-items) || fail "GBK job: exit status $?"
same_json "GBK job" "$out" '[
  {"type": 0, "rect": [0, 0, 100, 100], "text": "打印输出", "face": "宋体", "align": 0},
  {"type": 0, "rect": [0, 0, 100, 100], "text": "運乗", "face": "黑体", "align": 0},
  {"type": 0, "rect": [0, 0, 100, 100], "text": "A\ufffdB", "face": "\ufffd", "align": 0}]'
gone "$T/gbk.set" "GBK job"

# The same bytes read as UTF-8: invalid sequences become U+FFFD, never bad output.
build_job '[{"type": 0, "rect": [0, 0, 1, 1], "textBytes": "61c3", "faceBytes": "eda080", "align": 0}]' \
    "$T/bad-utf8.set"
dump_ok "invalid UTF-8" "$T/bad-utf8.set" \
    '[{"type": 0, "rect": [0, 0, 1, 1], "text": "a\ufffd", "face": "\ufffd\ufffd\ufffd", "align": 0}]'

# --- 2. The job beside the executable, found from the executable's path
# whatever the working directory; a job of that name in the working
# directory is not touched.
mkdir -p "$T/app" "$T/elsewhere"
cp "$VEXLAN_BIN" "$T/app/prn"
build_job "$TWO" "$T/app/prn.set"
build_job "$JOB_JSON" "$T/elsewhere/prn.set"
out=$(cd "$T/elsewhere" && ../app/prn --dump-items) || fail "beside the executable: exit status $?"
same_json "job beside the executable" "$out" "$TWO_OUT"
gone "$T/app/prn.set" "job beside the executable"
[ -f "$T/elsewhere/prn.set" ] || fail "the job in the working directory was consumed"

# An executable with an extension: prn.exe reads prn.set; a.b.exe reads a.b.set.
mv "$T/app/prn" "$T/app/prn.exe"
build_job "$TWO" "$T/app/prn.set"
out=$(cd / && "$T/app/prn.exe" --dump-items) || fail "prn.exe: exit status $?"
same_json "prn.exe reads prn.set" "$out" "$TWO_OUT"
gone "$T/app/prn.set" "prn.exe"
mv "$T/app/prn.exe" "$T/app/a.b.exe"
build_job "$TWO" "$T/app/a.b.set"
out=$(cd / && "$T/app/a.b.exe" --dump-items) || fail "a.b.exe: exit status $?"
same_json "a.b.exe reads a.b.set" "$out" "$TWO_OUT"
gone "$T/app/a.b.set" "a.b.exe"
# No job beside it: an empty page, no error.
out=$(cd / && "$T/app/a.b.exe" --dump-items) || fail "no job beside the executable: exit status $?"
same_json "no job beside the executable" "$out" "[]"

# A producer's symbolic link to the program: the job beside the link, under
# its name, whether started by path, relative path or bare name on PATH.
mkdir "$T/shop"
ln -s "$VEXLAN_BIN" "$T/shop/slip"
for how in "$T/shop/slip" shop/slip slip; do
    build_job "$TWO" "$T/shop/slip.set"
    out=$(cd "$T" && PATH="$T/shop:$PATH" $how --dump-items) || fail "link started as $how: exit status $?"
    same_json "job beside the link, started as $how" "$out" "$TWO_OUT"
    gone "$T/shop/slip.set" "link started as $how"
done
# ... and by a starter that gives a bare argv[0] not on PATH.
build_job "$TWO" "$T/shop/slip.set"
out=$(cd / && python3 -c 'import os, sys; os.execv(sys.argv[1], ["slip", "--dump-items"])' "$T/shop/slip") ||
    fail "link started with argv[0] slip: exit status $?"
same_json "job beside the link, argv[0] slip" "$out" "$TWO_OUT"

# Two instances started together on one job beside a producer's link: one
# reads it (its text file makes that take a while), the other finds none.
# A job that is a link goes as a link. Nothing is left behind.
mkdir -p "$T/pair" && ln -s "$VEXLAN_BIN" "$T/pair/shop" && seq 100000 >"$T/long.txt"
for round in $(seq 20); do
    build_job '[{"type": 2, "rect": [0, 0, 9, 9], "path": "'"$T/long.txt"'", "face": "F"},
        {"type": 3, "rect": [5, 6, 7, 8], "penWidth": 9, "color": 10}]' "$T/pair/target"
    [ $((round % 2)) = 0 ] && ln -s target "$T/pair/shop.set" || mv "$T/pair/target" "$T/pair/shop.set"
    "$T/pair/shop" --dump-items >"$T/pair-1" 2>/dev/null & p1=$!
    "$T/pair/shop" --dump-items >"$T/pair-2" 2>/dev/null & p2=$!
    wait $p1 && wait $p2 && [ "$(cat "$T"/pair-? | grep -c penWidth)" = 1 ] && grep -qx '\[\]' "$T"/pair-? &&
        [ "$(ls -A "$T/pair")" = "$(printf 'shop\ntarget' | head -$((2 - round % 2)))" ] ||
        fail "pair $round: $(cat "$T"/pair-? | grep -c penWidth) readers, files $(ls -A "$T/pair")"
    rm -f "$T/pair/target"
done

# --- Non-regular files never block. A FIFO as the job reads as a missing
# job and stays (it is no job file); a FIFO named by an item ends the page as
# an unreadable file does.
for f in fifo.jpg:1 fifo.txt:2; do
    build_job '[{"type": 0, "rect": [1, 2, 3, 4], "text": "a", "face": "F"},
        {"type": '"${f#*:}"', "rect": [0, 0, 1, 1], "path": "'"$T/${f%:*}"'"}]' "$T/${f%:*}.set"
done
mkfifo "$T/fifo.set" "$T/fifo.jpg" "$T/fifo.txt"
for job in fifo.set fifo.jpg.set fifo.txt.set; do
    out=$(timeout 10 "$VEXLAN_BIN" --job "$T/$job" --dump-items) || fail "$job: exit status $?"
    same_json "$job, FIFO" "$out" "$([ $job = fifo.set ] && echo '[]' || echo "$FIRST_OUT")"
done
[ -p "$T/fifo.set" ] || fail "FIFO job: the FIFO was removed"

# --- No display for the preview (or one that cannot be reached): one line,
# status 1, the job kept for a later run. A failed write of the item list is
# a failure too.
build_job "$TWO" "$T/later.set"
for setting in DISPLAY= DISPLAY=:54321 "QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=wayland-0" \
    "QT_QPA_PLATFORM=wayland;xcb DISPLAY=:54321"; do
    rc=0
    # shellcheck disable=SC2086 # the settings are split on purpose
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u DISPLAY $setting timeout 20 "$VEXLAN_BIN" \
        --job "$T/later.set" >/dev/null 2>"$T/stderr" || rc=$?
    [ "$rc" -eq 1 ] && [ "$(wc -l <"$T/stderr")" -eq 1 ] && [ -f "$T/later.set" ] ||
        fail "$setting: status $rc, stderr: $(cat "$T/stderr"), or the job is gone"
done
# The window-less runs never need the display an inherited setting names.
QT_QPA_PLATFORM=xcb env -u DISPLAY -u WAYLAND_DISPLAY -u PRINTER -u LPDEST CUPS_SERVER="$T/no-cups" \
    "$VEXLAN_BIN" --job "$T/later.set" --keep-job --pdf "$T/later.pdf" 2>"$T/stderr" ||
    fail "--pdf with QT_QPA_PLATFORM=xcb: $(cat "$T/stderr")"
for args in "--job $T/later.set --dump-items" --version --help; do
    rc=0
    # shellcheck disable=SC2086 # the arguments are split on purpose
    "$VEXLAN_BIN" $args >/dev/full 2>"$T/stderr" || rc=$?
    [ "$rc" -eq 1 ] && [ "$(wc -l <"$T/stderr")" -eq 1 ] || fail "$args >/dev/full: status $rc"
done

# --- 3. Bad usage: exit 2, nothing on stdout, one line on stderr.
for args in "--bogus" "--job" "--png out.png --dpi" "--png out.png --dpi 0" "--dump-items --trace" \
    "--printer P" "stray"; do
    rc=0
    # shellcheck disable=SC2086 # the arguments are split on purpose
    "$VEXLAN_BIN" $args >"$T/stdout" 2>"$T/stderr" || rc=$?
    [ "$rc" -eq 2 ] || fail "'$args': exit status $rc, expected 2"
    [ ! -s "$T/stdout" ] || fail "'$args': wrote to stdout"
    lines=$(wc -l <"$T/stderr")
    [ "$lines" -eq 1 ] || fail "'$args': $lines lines on stderr: $(cat "$T/stderr")"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "job hand-off: all checks passed"
