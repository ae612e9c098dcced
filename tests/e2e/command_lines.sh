#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Command lines as Unix users type them, on both programs:
#   usage    unknown options, missing values and operands: status 2, one line
#   help     --help and --version on a full disk: status 1 and a line
#   filters  vexlan-job build/pack/unpack with "-" for input and output feed
#            `vexlan --job - --pdf -`, whose PDF on standard output is sound;
#            a page that cannot be made whole writes nothing there (status 1)
#   lp       on a private scheduler, --print's -d, -n, -o and -t reach the
#            job, the page is laid out on the paper -o media= names, and
#            `vexlan --pdf - | lp` prints (skipped without root or cupsd)
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/private_cupsd.sh"
for t in qpdf pdftotext pdfinfo; do
  command -v "$t" >/dev/null || { echo "command_lines: SKIP ($t missing)"; exit 77; }
done

work=$(mktemp -d /tmp/vexlan-cmdline.XXXXXX)
chmod 755 "$work"
trap 'cupsd_stop "$work/cups"; rm -rf "$work"' EXIT
fail() { echo "command_lines: FAIL: $*" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen CUPS_SERVER="$work/no-cups.sock" # A4, no printer
unset PRINTER LPDEST
V=$VEXLAN_BIN J=$VEXLAN_JOB_TOOL

# usage: each row is what the one line must say, then the command.
while IFS='|' read -r says cmd; do
  st=0
  err=$(eval "$cmd" 2>&1 >/dev/null) || st=$?
  [ "$st" = 2 ] && [ "$(wc -l <<<"$err")" = 1 ] && grep -qF -- "$says" <<<"$err" ||
    fail "$cmd: status $st, said: $err"
done <<'ROWS'
vexlan: unexpected operand 'job.set'|"$V" job.set
vexlan: unexpected operand '--trace'|"$V" --dump-items -- --trace
vexlan: unknown option '--bogus'|"$V" --bogus=1
vexlan: option '--job' needs a value|"$V" --job
vexlan: option '--pr' is ambiguous|"$V" --pr
vexlan: -t is only used with --print|"$V" -t x --pdf a.pdf
vexlan-job build: unexpected operand 'b.json'|"$J" build a.json b.json -o x
vexlan-job pack: option '--seed' needs a value|"$J" pack a -o b --seed
vexlan-job unpack: unknown option '--lossy'|"$J" unpack a -o b --lossy
vexlan-job: unknown command 'bulid'|"$J" bulid a -o b
ROWS

# help: a --help that cannot be written is no success.
for cmd in "$V --help" "$V --version" "$J --help" "$J pack --help" "$J build --version"; do
  st=0
  err=$($cmd 2>&1 >/dev/full) || st=$?
  [ "$st" = 1 ] && grep -q "cannot write" <<<"$err" || fail "$cmd >/dev/full: status $st, said: $err"
done

# filters
cat >"$work/job.json" <<'JSON'
[{"type": 0, "rect": [2000, 3000, 12000, 4000], "text": "ALPHAMARK", "face": "Arial"}]
JSON
"$J" build - -o - <"$work/job.json" | "$V" --job - --pdf - >"$work/page.pdf" || fail "build - | --job - --pdf -"
qpdf --check "$work/page.pdf" >/dev/null || fail "the PDF on standard output is not sound"
pdftotext "$work/page.pdf" - | grep -q ALPHAMARK || fail "the piped page lacks its text"
"$J" pack - -o - <"$work/page.pdf" | "$J" unpack - -o - | cmp -s - "$work/page.pdf" || fail "pack - | unpack - changed the bytes"
printf '[\n  {"type": 0,\n   "rect" [0, 0, 1, 1]}]' | "$J" build - -o "$work/x.set" 2>"$work/err" && fail "a JSON syntax error built a job"
grep -q "vexlan-job build: standard input: expected ':' at line 3, column 11" "$work/err" || fail "JSON error: $(cat "$work/err")"
"$J" build "$work/job.json" -o "$work/job.set"
# A page that cannot be made whole (the file size limit stands in for a full
# disk) writes nothing on standard output.
st=0
(trap '' XFSZ; ulimit -f 2; exec "$V" --job "$work/job.set" --keep-job --pdf -) >"$work/cut.pdf" 2>"$work/err" || st=$?
[ "$st" = 1 ] && [ ! -s "$work/cut.pdf" ] || fail "a failed --pdf -: status $st, $(stat -c %s "$work/cut.pdf") bytes out"
st=0
"$V" --job "$work/job.set" --keep-job --png - --dpi 30 >/dev/full 2>"$work/err" || st=$?
[ "$st" = 1 ] && grep -q "cannot write the PNG to standard output" "$work/err" || fail "--png - >/dev/full: status $st"

# lp
if ! (cupsd_require command_lines lp >/dev/null); then
  echo "command_lines: usage, help and filters pass; lp part SKIPPED (needs root, cupsd and lp)"
  exit 0
fi
cupsd_start "$work/cups" || fail "scheduler did not start"
cupsd_queue "$work/cups" Q A4 || fail "lpadmin Q"
export CUPS_SERVER="$work/cups/cups.sock"
out=$work/cups/out/Q.pdf
wait_job() { # the queue's output of job $1, once the queue is idle
  for _ in $(seq 300); do
    [ -s "$out" ] && [ -z "$(lpstat -o)" ] && lpstat -W completed -o | grep -q "^Q-$1 " && return 0
    sleep 0.1
  done
  fail "job $1 did not print (jobs: $(lpstat -o))"
}
pages() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
size() { pdfinfo "$1" | awk '/^Page size:/ {printf "%d %d", $3 + 0.5, $5 + 0.5}'; }
"$J" build - -o - <"$work/job.json" |
  "$V" --job - --print -d Q -n 2 -t "Slip 7" -o media=Letter -o "sides=one-sided page-ranges=1" ||
  fail "--print with lp's options"
wait_job 1
[ "$(pages "$out")" = 2 ] || fail "-n 2 printed $(pages "$out") pages"
[ "$(size "$work"/cups/spool/d00001-001)" = "612 792" ] || fail "the page sent is not laid out on Letter"
for attr in "Slip 7" page-ranges one-sided Letter; do
  grep -qaF "$attr" "$work/cups/spool/c00001" || fail "the job lacks $attr"
done
rm -f "$out"
PRINTER=Q "$V" --job "$work/job.set" --keep-job --pdf - | lp -d Q >/dev/null || fail "--pdf - | lp"
wait_job 2
qpdf --check "$out" >/dev/null && pdftotext "$out" - | grep -q ALPHAMARK || fail "--pdf - | lp printed no sound page"
echo "command_lines: usage, help, filters and lp's options pass"
