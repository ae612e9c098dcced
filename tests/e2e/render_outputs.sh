#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The window-less outputs of the real binary on a page with every item type:
# --trace (JSON lines, exact numbers), --pdf (text extractable, frame where
# it belongs), --png (size from the page and dpi, upright inverted image),
# and the failures that must exit 1 with one message.
set -euo pipefail
: "${VEXLAN_BIN:?}" "${VEXLAN_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../support/sample_page_env.sh"
. "$(dirname "$0")/../support/pdf_check.sh"

# --trace: one valid JSON object per call, the numbers of the sample page.
"$VEXLAN_BIN" --job "$job" --keep-job --trace >"$work/trace.jsonl" 2>/dev/null
python3 - "$work/trace.jsonl" <<'PY' || fail "trace"
import json, sys
calls = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
ops = [c["op"] for c in calls]
assert ops[:2] == ["SetStretchBltMode", "SetMapMode"] and calls[0]["mode"] == 3 and calls[1]["mode"] == 3, ops[:2]
assert calls[-1] == {"op": "SetMapMode", "mode": 1, "previous": 3}, calls[-1]
# The outer frame: 50 units, black, clockwise from the top-left.
assert calls[2] == {"op": "CreatePen", "style": 0, "width": 50, "color": 0, "handle": 3}, calls[2]
assert [(c["x"], c["y"]) for c in calls[4:9]] == [(1000, -1000), (20000, -1000), (20000, -28700), (1000, -28700), (1000, -1000)]
# The title: cell height = rectangle height, centred, face kept as written.
title = next(c for c in calls if c["op"] == "DrawText")
assert title == {"op": "DrawText", "text": "Vexlan 打印输出 示例", "rect": [1000, -1500, 20000, -2700], "format": 0x125}, title
fonts = [c for c in calls if c["op"] == "CreateFont"]
assert fonts[0]["height"] == 1200 and fonts[0]["width"] == 0 and fonts[0]["face"] == "黑体" and fonts[0]["outPrecision"] == 0
# Images: the one that keeps its proportions is fitted (240x160 into 8000x6000), the other inverted.
imgs = [c for c in calls if c["op"] == "StretchDIBits"]
assert imgs[0]["dest"] == [1500, -5333, 8000, -5333] and imgs[0]["rop"] == 0xCC0020, imgs[0]
assert imgs[1]["dest"] == [10500, -5000, 9000, -6000] and imgs[1]["rop"] == 0x330008, imgs[1]
assert imgs[0]["src"] == [0, 0, 240, 160]
# Text blocks: four lines in 3600 units: line height 900, font 675, TT precision.
blocks = [f for f in fonts if f["outPrecision"] == 4]
assert len(blocks) == 2 and all(f["height"] == 675 for f in blocks), blocks
# Every object made is deleted again.
made = sum(op in ("CreateFont", "CreatePen") for op in ops)
gone = sum(op in ("DeleteFont", "DeletePen") for op in ops)
assert made == gone, (made, gone)
PY

# --pdf: one sound page of exactly A4, the texts extractable (CJK included).
"$VEXLAN_BIN" --job "$job" --keep-job --pdf "$work/out.pdf" 2>/dev/null || fail "pdf exit status"
pdf_check "$work/out.pdf"
pdfinfo "$work/out.pdf" | grep -q '^Pages: *1$' || fail "pdf pages"
pdfinfo "$work/out.pdf" | awk '/^Page size:/ { d = $3 - 595.276; e = $5 - 841.89; ok = d * d + e * e < 1e-4 }
  END { exit !ok }' || fail "pdf not A4: $(pdfinfo "$work/out.pdf" | grep '^Page size')"
text="$(pdftotext "$work/out.pdf" -)"
for s in "Vexlan 打印输出 示例" "Left aligned line, Arial" "右对齐的一行" "发货单 No. 2026-1207" "第 1 页"; do
    grep -qF "$s" <<<"$text" || fail "pdf text lacks: $s"
done
# Both pictures hold the producer's JPEG bytes, the inverted one too (the
# PDF inverts it by a blend mode).
pdfimages -all "$work/out.pdf" "$work/img"
cmp -s "$work/img-000.jpg" "$work/picture.jpg" || fail "pdf picture is not the producer's JPEG"
cmp -s "$work/img-001.jpg" "$work/picture.jpg" || fail "pdf inverted picture is not the producer's JPEG"
# The outer frame's left edge lies at 10 mm: pixel column 100 at 254 dpi.
pdftoppm -r 254 -gray -x 80 -y 1400 -W 40 -H 1 "$work/out.pdf" "$work/edge"
python3 - "$work"/edge*.pgm <<'PY' || fail "pdf frame position"
import sys
data = open(sys.argv[1], "rb").read()
pixels = data[-40:]           # one row of 40 grey pixels from x = 80
dark = [80 + i for i, v in enumerate(pixels) if v < 128]
assert dark and min(dark) >= 97 and max(dark) <= 103, dark
PY

# --png: the sheet at the asked resolution; the inverted image is drawn.
"$VEXLAN_BIN" --job "$job" --keep-job --png "$work/out.png" --dpi 50 2>/dev/null || fail "png exit status"
python3 - "$work/out.png" <<'PY' || fail "png size"
import struct, sys
head = open(sys.argv[1], "rb").read(24)
assert head[:8] == b"\x89PNG\r\n\x1a\n"
w, h = struct.unpack(">II", head[16:24])
assert (w, h) == (414, 585), (w, h)   # A4 at 50 dpi, rounded up
PY

# Outputs that cannot be written: exit 1 and our one line on stderr.
set +e
"$VEXLAN_BIN" --job "$job" --keep-job --pdf "$work/missing/dir/out.pdf" 2>"$work/err"; st=$?
set -e
[ "$st" -eq 1 ] || fail "unwritable pdf exit $st"
[ "$(grep -c '^vexlan: cannot write PDF file' "$work/err")" -eq 1 ] || fail "unwritable pdf message: $(cat "$work/err")"
set +e
"$VEXLAN_BIN" --job "$job" --keep-job --png "$work/missing/dir/out.png" 2>"$work/err"; st=$?
set -e
[ "$st" -eq 1 ] || fail "unwritable png exit $st"
grep -q '^vexlan: cannot write PNG file' "$work/err" || fail "unwritable png message: $(cat "$work/err")"
# The highest resolution the command line takes: A4 at 2400 dpi, drawn in bands.
"$VEXLAN_BIN" --job "$job" --keep-job --png "$work/huge.png" --dpi 2400 2>"$work/err" || fail "2400 dpi png: $(cat "$work/err")"
python3 - "$work/huge.png" <<'PY' || fail "2400 dpi png size"
import struct, sys
head = open(sys.argv[1], "rb").read(24)
assert struct.unpack(">II", head[16:24]) == (19843, 28063), head
PY
rm -f "$work/huge.png"
# Window-less runs write nothing on stderr but our own lines, also with no
# XDG_RUNTIME_DIR and no platform named (as from cron or a service).
for args in --trace --dump-items "--pdf $work/q.pdf" "--png $work/q.png --dpi 20" --print; do
    # shellcheck disable=SC2086 # the arguments are split on purpose
    env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM "$VEXLAN_BIN" --job "$job" --keep-job $args \
        >/dev/null 2>"$work/err" || [ "$args" = --print ] || fail "$args exit status"
    ! grep -v '^vexlan: ' "$work/err" || fail "$args: stderr carries more than our lines"
done
echo "render outputs: ok"
