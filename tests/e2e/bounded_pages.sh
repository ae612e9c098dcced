#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Hostile pages end in bounded time and memory on the window-less outputs.
#   stretched  a text block of 100,000 two-character lines in a rectangle
#              8,000 units wide and 10 high (each line at the default
#              height, stretched to about 4,000 units wide): --trace, --pdf
#              and --png --dpi 150 each end with status 0 within 10 s of
#              processor time (a busy machine stretches wall time; a run
#              still going after three times that is cut off and fails).
#   long line  a .txt of one 4 MB line of digits, glyphs three quarters of
#              the slot high (only its start can show): loading it
#              (--dump-items), --trace, --pdf and --png --dpi 150 each
#              within 10 s, peaking below twice the text's size plus 100 MB.
# With --long (soak.sh's long form runs it) also:
#   long line  the same of a 200 MB line of letters, and --png --dpi 2400
#              too;
#   big images twelve records naming one packed uniform 16000 x 16000 JPEG:
#              --trace ends with status 0 and peaks below 1.2 GiB (the
#              page's image budget, with the same file decoded once).
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
long=""
[ "${1:-}" != --long ] || long=1

work=$(mktemp -d /tmp/vexlan-bounded.XXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen CUPS_SERVER="$work/no-cups.sock" # A4, no printer
unset PRINTER LPDEST
failures=0
fail() { echo "bounded_pages: FAIL: $*" >&2; failures=$((failures + 1)); }

# run NAME SECONDS OPTION...: runs the job, which must end with status 0
# within SECONDS of processor time; sets `peak_kb` (peak resident set).
run() {
  local name=$1 limit=$2 status=0 cpu
  shift 2
  /usr/bin/time -f "%M %U %S" -o "$work/time" timeout $((3 * limit)) "$VEXLAN_BIN" --job "$work/job.set" \
    --keep-job "$@" >"$work/stdout" 2>"$work/err" || status=$?
  read -r peak_kb cpu < <(tail -1 "$work/time" | awk '{print $1, $2 + $3}')
  [ "$status" != 124 ] || { fail "$name: still running after $((3 * limit)) s"; return 1; }
  [ "$status" -le 128 ] || { fail "$name: killed by signal $((status - 128)): $(head -3 "$work/err")"; return 1; }
  [ "$status" = 0 ] || { fail "$name: exit status $status: $(head -3 "$work/err")"; return 1; }
  echo "bounded_pages: $name: $cpu s processor time, peak $((peak_kb / 1024)) MB"
  awk -v c="$cpu" -v l="$limit" 'BEGIN { exit !(c <= l) }' || { fail "$name: $cpu s of processor time"; return 1; }
}

build() { printf '%s' "$1" >"$work/job.json" && "$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$work/job.set" >/dev/null; }

awk 'BEGIN { srand(7); for (i = 0; i < 100000; i++) printf "%c%c\n", 65 + int(rand() * 26), 97 + int(rand() * 26) }' \
  >"$work/two.txt"
build "[{\"type\": 2, \"rect\": [0, 0, 8000, 10], \"path\": \"$work/two.txt\", \"face\": \"Arial\"}]"
run "stretched --trace" 10 --trace && { [ -s "$work/stdout" ] || fail "stretched --trace: no trace"; }
run "stretched --pdf" 10 --pdf "$work/out.pdf" && { [ -s "$work/out.pdf" ] || fail "stretched --pdf: no file"; }
run "stretched --png" 10 --png "$work/out.png" --dpi 150 && { [ -s "$work/out.png" ] || fail "stretched --png: no file"; }
rm -f "$work/two.txt" "$work/out.pdf" "$work/out.png"

# long_line MB CHAR DPI...: a block of one line of MB megabytes of CHAR on
# every output (--png at each DPI), each within 10 s and below twice the text
# plus 100 MB.
long_line() {
  local mb=$1 char=$2 dpi
  shift 2
  head -c $((mb * 1000000)) /dev/zero | tr '\0' "$char" >"$work/line.txt"
  build "[{\"type\": 2, \"rect\": [1000, 1000, 20000, 28000], \"path\": \"$work/line.txt\", \"face\": \"Arial\"}]"
  # bounded NAME: the last run peaked below twice the text plus 100 MB.
  bounded() { [ "$peak_kb" -lt $(((2 * mb * 1000000 + 100 * 1048576) / 1024)) ] || fail "$1: peak $((peak_kb / 1024)) MB"; }
  run "$mb MB line --dump-items" 10 --dump-items && bounded "$mb MB line, loading"
  run "$mb MB line --trace" 10 --trace && bounded "$mb MB line --trace"
  run "$mb MB line --pdf" 10 --pdf "$work/out.pdf" && bounded "$mb MB line --pdf"
  for dpi in "$@"; do
    run "$mb MB line --png --dpi $dpi" 10 --png "$work/out.png" --dpi "$dpi" && bounded "$mb MB line --png --dpi $dpi"
  done
  rm -f "$work/line.txt" "$work/out.pdf" "$work/out.png"
}
long_line 4 7 150 # digits: no strong character tells the line's direction

if [ -n "$long" ]; then
  long_line 200 x 150 2400

  if command -v cjpeg >/dev/null; then
    python3 -c '
import sys
row = b"\x80" * 16000
sys.stdout.buffer.write(b"P5\n16000 16000\n255\n")
for _ in range(16000): sys.stdout.buffer.write(row)' | cjpeg -grayscale -outfile "$work/big.jpg"
    "$VEXLAN_JOB_TOOL" pack "$work/big.jpg" -o "$work/big.bpg" >/dev/null
    rm -f "$work/big.jpg"
    items=()
    for i in $(seq 0 11); do
      items+=("{\"type\": 1, \"rect\": [$((1000 + i * 1500)), 1000, $((2400 + i * 1500)), 5000], \"path\": \"$work/big.bpg\", \"invert\": 0, \"keepAspect\": 1}")
    done
    build "[$(IFS=,; echo "${items[*]}")]"
    if run "12 x 16000x16000 JPEG --trace" 120 --trace; then
      [ "$peak_kb" -lt $((1229 * 1024)) ] || fail "twelve big images: peak $((peak_kb / 1024)) MB"
    fi
  else
    echo "bounded_pages: big images skipped (cjpeg missing)"
  fi
fi
[ "$failures" = 0 ] || exit 1
echo "bounded_pages: OK"
