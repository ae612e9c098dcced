#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The page follows the printer's paper. A private scheduler has two
# pass-through PDF queues whose PPDs default to Letter and to A5. For each,
# a job with a mark just above the bottom of that paper's printable area
# goes through --print, --pdf and --png (the preview and the print dialog:
# tests/gui/paper_test): both PDFs have the queue's paper and the mark at
# the same place, inside the printable area; the PNG has the paper's size.
set -euo pipefail

: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}"
source "$(dirname "$0")/../support/private_cupsd.sh"
source "$(dirname "$0")/../support/pdf_check.sh"
cupsd_require print_paper pdftotext pdfinfo python3

work=$(mktemp -d /tmp/vexlan-paper.XXXXXX)
chmod 755 "$work"
trap 'cupsd_stop "$work/cups"; rm -rf "$work"' EXIT
fail() { echo "print_paper: FAIL: $*" >&2; exit 1; }
cupsd_start "$work/cups" || fail "scheduler did not start"
export CUPS_SERVER="$work/cups/cups.sock"

# "xMin yMin yMax" of BOTTOMMARK in a PDF, in points from the page's top.
mark_box() {
  pdftotext -bbox "$1" - | awk 'index($0, ">BOTTOMMARK<") {
    for (i = 1; i <= NF; i++) if ($i ~ /^(xMin|yMin|yMax)=/) { split($i, v, "\""); r = r v[2] " " }
    print r; exit }'
}
size_of() {
  case $1 in
    *.pdf) pdfinfo "$1" | awk '/^Page size:/ {printf "%d %d", $3 + 0.5, $5 + 0.5}' ;;
    *.png) python3 -c 'import struct, sys; print(*struct.unpack(">II", open(sys.argv[1], "rb").read(24)[16:]))' "$1" ;;
  esac
}

# Queue, paper, its size in points (at 72 dpi, the PNG's size in pixels,
# rounded up), and the printable height in 0.01 mm: the Generic PDF PPD
# leaves 36 pt at the top and the bottom.
checked=0
while read -r queue paper w h pngw pngh printable; do
  cupsd_queue "$work/cups" "$queue" "$paper" || fail "lpadmin $queue"
  top=$((printable - 1300)) end=$((printable - 500))
  echo "[{\"type\": 0, \"rect\": [2000, $top, 9000, $end], \"text\": \"BOTTOMMARK\", \"face\": \"Arial\"}]" >"$work/job.json"
  for run in "--pdf $work/page.pdf" "--png $work/page.png --dpi 72" "--print --printer $queue"; do
    "$VEXLAN_JOB_TOOL" build "$work/job.json" -o "$work/job.set" >/dev/null || fail "job tool"
    # shellcheck disable=SC2086
    PRINTER=$queue "$VEXLAN_BIN" --job "$work/job.set" $run || fail "$queue: $run: status $?"
  done
  out="$work/cups/out/$queue.pdf"
  for _ in $(seq 300); do [ -s "$out" ] && [ -z "$(lpstat -o)" ] && break; sleep 0.1; done
  pdf_check "$out" "$work/page.pdf" "$work"/cups/spool/d*
  [ "$(size_of "$out")" = "$w $h" ] || fail "$queue: printed on $(size_of "$out") pt, not $paper"
  [ "$(size_of "$work/page.pdf")" = "$w $h" ] || fail "$queue: --pdf page $(size_of "$work/page.pdf") pt, not $paper"
  [ "$(size_of "$work/page.png")" = "$pngw $pngh" ] || fail "$queue: --png $(size_of "$work/page.png") px, not $pngw $pngh"
  reason=$(awk -v p="$(mark_box "$out")" -v l="$(mark_box "$work/page.pdf")" -v top="$top" -v end="$end" 'BEGIN {
    split(p, P, " "); split(l, L, " "); u = 72 / 2540;
    if (P[3] == "") { print "the bottom of the page is missing from the printout"; exit 1 }
    for (i = 1; i <= 3; i++) if (P[i] - L[i] > 0.5 || L[i] - P[i] > 0.5) { print "--pdf: " l ", printed: " p; exit 1 }
    if (P[2] < 36 + top * u - 0.5 || P[3] > 36 + end * u + 1) { print "the mark is at " p; exit 1 } }') ||
    fail "$queue: $reason"
  echo "print_paper: $queue: $paper printed, in --pdf and --png; the bottom of the page is there"
  checked=$((checked + 1))
done <<'QUEUES'
LETTERQ Letter 612 792 612 792 25400
A5Q A5 420 595 420 596 18450
QUEUES
[ "$checked" = 2 ] || fail "only $checked of 2 queues checked"
echo "print_paper: OK"
