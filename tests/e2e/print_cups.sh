#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Real printing through CUPS: starts a private scheduler (own configuration,
# own socket, no port) with pass-through PDF file queues, prints a job with
# `vexlan --print` on a named queue and on the default queue, and checks that
# the page arrives with its text at the right positions. Also: an unknown
# queue, no default queue, a scheduler that cannot be reached and a machine
# without any queue are errors (status 1), not silent successes, and a
# rejecting queue's own reason is given. Needs root and cupsd; without them it says so and passes.
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"
CUPSD=/usr/sbin/cupsd
PPD=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd

if [ "$(id -u)" -ne 0 ]; then echo "print_cups: SKIP (needs root to run a scheduler)"; exit 77; fi
for f in "$CUPSD" "$PPD"; do
  [ -e "$f" ] || { echo "print_cups: SKIP ($f missing; scripts/setup installs it)"; exit 77; }
done
for t in lpadmin lpstat pdftotext pdfinfo; do
  command -v "$t" >/dev/null || { echo "print_cups: SKIP ($t missing)"; exit 77; }
done

work=$(mktemp -d /tmp/vexlan-cups.XXXXXX)
cupsd_pid=""
cleanup() {
  if [ -n "$cupsd_pid" ]; then kill "$cupsd_pid" 2>/dev/null || true; wait "$cupsd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "print_cups: FAIL: $*" >&2; [ -f "$work/log/error_log" ] && tail -20 "$work/log/error_log" >&2; exit 1; }

# The file backend runs as the scheduler's unprivileged user: the output
# directory must be writable by it.
chmod 755 "$work"
mkdir -p "$work/etc" "$work/spool/tmp" "$work/cache" "$work/state" "$work/log" "$work/out"
chmod 1777 "$work/out"
sock="$work/cups.sock"

cat >"$work/etc/cupsd.conf" <<CONF
LogLevel warn
PreserveJobFiles Yes
Listen $sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$work/etc/cups-files.conf" <<CONF
FileDevice Yes
ServerRoot $work/etc
RequestRoot $work/spool
TempDir $work/spool/tmp
CacheDir $work/cache
StateDir $work/state
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
SystemGroup root
CONF

"$CUPSD" -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" &
cupsd_pid=$!
export CUPS_SERVER="$sock"
for _ in $(seq 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && break
  kill -0 "$cupsd_pid" 2>/dev/null || fail "cupsd exited at start"
  sleep 0.1
done
lpstat -r | grep -q "is running" || fail "scheduler did not start"

for q in A B; do
  lpadmin -p "VEXLAN_$q" -E -v "file://$work/out/$q.pdf" -P "$PPD" 2>/dev/null || fail "lpadmin VEXLAN_$q"
done

# Two text lines 100 mm apart in both directions.
cat >"$work/job.json" <<'JSON'
[
  {"type": 0, "rect": [2000, 3000, 12000, 4000], "text": "ALPHAMARK", "face": "Arial", "align": 0},
  {"type": 0, "rect": [12000, 13000, 20000, 14000], "text": "OMEGAMARK", "face": "Arial", "align": 0},
  {"type": 3, "rect": [1000, 1000, 20000, 28000], "penWidth": 30, "color": 0}
]
JSON
make_job() { "$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$1" >/dev/null || fail "job tool"; }

# Waits for a queue's output file and for the queue to be idle.
wait_output() {
  local file=$1
  for _ in $(seq 300); do
    if [ -s "$file" ] && [ -z "$(lpstat -o 2>/dev/null)" ]; then return 0; fi
    sleep 0.1
  done
  fail "no output in $file (jobs: $(lpstat -o 2>&1))"
}

# "word xMin yMin" for a word of pdftotext -bbox, in points.
word_box() {
  pdftotext -bbox "$1" - | awk -v w="$2" '
    index($0, ">" w "<") { match($0, /xMin="[0-9.]+"/); x = substr($0, RSTART+6, RLENGTH-7);
                           match($0, /yMin="[0-9.]+"/); y = substr($0, RSTART+6, RLENGTH-7);
                           print x, y; exit }'
}

# The queue's printable area starts at (left, top) points from the paper's
# top-left corner: the PPD's ImageableArea of the paper size the job has.
printable_origin() {
  local w h size
  read -r w h < <(pdfinfo "$1" | awk '/^Page size:/ {printf "%d %d\n", $3 + 0.5, $5 + 0.5}')
  size=$(awk -v w="$w" -v h="$h" -F'[/"]' '/^\*PaperDimension / {
           split($3, d, " "); if (int(d[1] + 0.5) == w && int(d[2] + 0.5) == h) {
             sub(/^\*PaperDimension /, "", $1); print $1; exit } }' "$PPD")
  [ -n "$size" ] || fail "$1: paper ${w}x${h} is not one of the queue's"
  grep "^\*ImageableArea $size/" "$PPD" | sed 's/.*: *"\(.*\)"/\1/' | awk -v h="$h" '{print $1, h - $4}'
}

check_page() {
  local pdf=$1 a o origin
  a=$(word_box "$pdf" ALPHAMARK); o=$(word_box "$pdf" OMEGAMARK)
  [ -n "$a" ] && [ -n "$o" ] || fail "$pdf: text not found: $(pdftotext "$pdf" - | head -5)"
  origin=$(printable_origin "$pdf")
  awk -v a="$a" -v o="$o" -v org="$origin" 'BEGIN {
    split(a, A, " "); split(o, O, " "); split(org, G, " "); mm = 72 / 25.4;
    ax = (A[1] - G[1]) / mm; ay = (A[2] - G[2]) / mm;
    dx = (O[1] - A[1]) / mm; dy = (O[2] - A[2]) / mm;
    printf "print_cups: ALPHAMARK at %.1f,%.1f mm in the printable area; OMEGAMARK %.1f,%.1f mm further\n", ax, ay, dx, dy;
    # The line boxes start at 20 mm, 30 mm and 120 mm, 130 mm; the glyphs
    # start at most 1.5 mm inside them.
    ok = ax >= 19.5 && ax <= 21.5 && ay >= 29.5 && ay <= 31.5 && dx > 99 && dx < 101 && dy > 99 && dy < 101;
    exit ok ? 0 : 1 }' || fail "$pdf: text at the wrong place"
  local pages
  pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
  [ "$pages" = 1 ] || fail "$pdf: $pages pages, expected 1"
}

# 1. A named queue.
make_job "$work/a.set"
"$VEXLAN_BIN" --job "$work/a.set" --print --printer VEXLAN_A || fail "--print --printer VEXLAN_A exited $?"
[ ! -e "$work/a.set" ] || fail "job file still there after printing"
wait_output "$work/out/A.pdf"
check_page "$work/out/A.pdf"

# 2. The default queue, chosen through PRINTER.
make_job "$work/b.set"
PRINTER=VEXLAN_B "$VEXLAN_BIN" --job "$work/b.set" --print || fail "--print on the default queue exited $?"
wait_output "$work/out/B.pdf"
check_page "$work/out/B.pdf"

# 2a. As lp chooses: no default destination is an error, not the first
#     queue; an empty LPDEST or PRINTER counts as unset, so the page goes to
#     the default queue (VEXLAN_B, not the first, VEXLAN_A).
make_job "$work/n.set"
set +e; "$VEXLAN_BIN" --job "$work/n.set" --print 2>"$work/err.txt"; status=$?; set -e
[ "$status" = 1 ] && grep -q '^vexlan: no default printer' "$work/err.txt" || fail "no default: $status $(cat "$work/err.txt")"
lpadmin -d VEXLAN_B
for empty in LPDEST PRINTER; do
  rm -f "$work/out/A.pdf" "$work/out/B.pdf"
  make_job "$work/b.set"
  env "$empty=" "$VEXLAN_BIN" --job "$work/b.set" --print || fail "$empty= --print exited $?"
  wait_output "$work/out/B.pdf"
  [ ! -e "$work/out/A.pdf" ] || fail "$empty=: printed on the first queue"
done
# 2b. A scheduler that cannot be reached is named: --print and a named queue
#     fail, --pdf without one takes A4 with a warning.
for run in "--print" "--print --printer VEXLAN_A" "--pdf $work/u.pdf"; do
  make_job "$work/u.set"
  set +e
  # shellcheck disable=SC2086
  CUPS_SERVER=127.0.0.1:1 PRINTER=VEXLAN_A "$VEXLAN_BIN" --job "$work/u.set" $run 2>"$work/err.txt"; status=$?
  set -e
  [ "$status" = 1 ] && grep -q '^vexlan: cannot reach the print scheduler at 127.0.0.1:1 (Connection refused)$' "$work/err.txt" ||
    fail "unreachable, $run: $status $(cat "$work/err.txt")"
done
make_job "$work/u.set"
CUPS_SERVER=127.0.0.1:1 "$VEXLAN_BIN" --job "$work/u.set" --pdf "$work/u.pdf" 2>"$work/err.txt" || fail "unreachable --pdf: $?"
grep -q '^vexlan: warning: cannot reach the print scheduler at 127.0.0.1:1 (Connection refused); the page is a whole A4 sheet$' \
  "$work/err.txt" || fail "unreachable --pdf: $(cat "$work/err.txt")"

# 3. A queue that does not exist: status 1, one line on stderr, no output.
make_job "$work/c.set"
set +e
"$VEXLAN_BIN" --job "$work/c.set" --print --printer NO_SUCH_QUEUE 2>"$work/err.txt"
status=$?
set -e
[ "$status" = 1 ] || fail "unknown queue exited $status, expected 1"
# One line of vexlan's own (Qt may add warnings of its environment).
[ "$(grep -c '^vexlan: ' "$work/err.txt")" = 1 ] && grep -q '^vexlan: .*NO_SUCH_QUEUE' "$work/err.txt" ||
  fail "stderr: $(cat "$work/err.txt")"
[ ! -e "$work/c.set" ] || fail "job file not consumed"
# The same queue named by PRINTER, as lp refuses it: no fallback on another
# queue, nor on another paper for --pdf.
for run in --print "--pdf $work/c.pdf"; do
  make_job "$work/c.set"
  set +e
  # shellcheck disable=SC2086 # the options are split on purpose
  PRINTER=NO_SUCH_QUEUE "$VEXLAN_BIN" --job "$work/c.set" $run 2>"$work/err.txt"
  status=$?
  set -e
  [ "$status" = 1 ] && grep -q '^vexlan: .*NO_SUCH_QUEUE.*PRINTER' "$work/err.txt" && [ ! -e "$work/c.pdf" ] ||
    fail "PRINTER=NO_SUCH_QUEUE $run exited $status: $(cat "$work/err.txt")"
done

# 4. No scheduler at all, so no queue: status 1.
make_job "$work/d.set"
set +e
CUPS_SERVER="$work/none.sock" "$VEXLAN_BIN" --job "$work/d.set" --print 2>"$work/err.txt"
status=$?
set -e
[ "$status" = 1 ] || fail "no printer exited $status, expected 1"
grep -q "^vexlan: no printer" "$work/err.txt" || fail "stderr: $(cat "$work/err.txt")"

# 5. Status 1 and one line with the queue and why: a rejecting queue. The
#    page goes to the scheduler as it is made, with no local file: an
#    unusable TMPDIR does not stop it. A stopped queue holds the job whole:
#    status 0.
run_print() {
  make_job "$work/e.set"
  set +e; "$VEXLAN_BIN" --job "$work/e.set" --print --printer "$@" 2>"$work/err.txt"; status=$?; set -e
}
for q in R S; do lpadmin -p "VEXLAN_$q" -E -v "file://$work/out/$q.pdf" -P "$PPD" 2>/dev/null || fail "lpadmin VEXLAN_$q"; done
cupsreject -r "out of forms" VEXLAN_R
cupsdisable VEXLAN_S
run_print VEXLAN_R
[ "$status" = 1 ] && [ "$(grep -c '^vexlan: ' "$work/err.txt")" = 1 ] &&
  grep -q '^vexlan: .*VEXLAN_R.*not accepting jobs (out of forms)' "$work/err.txt" ||
  fail "rejecting queue: $status $(cat "$work/err.txt")"
TMPDIR="$work/job.json" run_print VEXLAN_A
[ "$status" = 0 ] || fail "print without a usable TMPDIR: $status $(cat "$work/err.txt")"
run_print VEXLAN_S
[ "$status" = 0 ] && lpstat -o VEXLAN_S | grep -q '^VEXLAN_S-' || fail "stopped queue: $status $(cat "$work/err.txt")"
cupsenable VEXLAN_S
wait_output "$work/out/S.pdf"
check_page "$work/out/S.pdf"
# The print dialog to the rejecting queue (offscreen).
if [ -n "${VEXLAN_TEST_BIN_DIR:-}" ]; then
  VEXLAN_REFUSING_QUEUE=VEXLAN_R VEXLAN_REFUSING_REASON="out of forms" "$VEXLAN_TEST_BIN_DIR/gui_print_exit_cycle_test" --gtest_filter='*CannotStart*' \
    >"$work/gui.txt" 2>&1 && grep -q '^\[  PASSED  \] 1 test' "$work/gui.txt" || fail "dialog: $(tail -20 "$work/gui.txt")"
fi

# 6. One picture drawn three times, twice inverted. Every PDF handed to the
#    scheduler (kept in its spool) and every one it printed is sound to a
#    strict reader.
bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_JOB_TOOL" "$work" >/dev/null || fail "sample picture"
cat >"$work/pictures.json" <<JSON
[{"type": 1, "rect": [1000, 1000, 9000, 7000], "path": "$work/picture.jpg", "invert": 0},
 {"type": 1, "rect": [1000, 8000, 9000, 14000], "path": "$work/picture.jpg", "invert": 1},
 {"type": 1, "rect": [10000, 8000, 18000, 14000], "path": "$work/picture.jpg", "invert": 1}]
JSON
"$VEXLAN_JOB_TOOL" build "$work/pictures.json" -o "$work/f.set" >/dev/null || fail "job tool"
"$VEXLAN_BIN" --job "$work/f.set" --print --printer VEXLAN_B || fail "pictures exited $?"
wait_output "$work/out/B.pdf"
. "$(dirname "$0")/../support/pdf_check.sh"
pdf_check "$work"/spool/d* "$work"/out/*.pdf

echo "print_cups: OK"
