#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows vexlan.exe under Wine against the Linux build on the same jobs:
# --dump-items and --trace byte for byte (code pages 65001 and 936), the GDI
# --png against the Linux --png item by item (the ink of each item's area
# within two pixels, with Wine's faces pinned to the files Linux uses), and
# the hand-off of a job beside the executable under another name.
# Skipped (77) when the Linux build is not there to compare with.
set -euo pipefail
: "${VEXLAN_WIN_BIN:?}" "${VEXLAN_LINUX_BIN:?}" "${VEXLAN_LINUX_JOB_TOOL:?}" "${VEXLAN_TEST_DATA:?}"
[ -x "$VEXLAN_LINUX_BIN" ] && [ -x "$VEXLAN_LINUX_JOB_TOOL" ] || { echo "no Linux build to compare with"; exit 77; }
command -v convert >/dev/null || { echo "no ImageMagick"; exit 77; }
wine_run=$(dirname "$0")/../support/wine_run.sh
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen CUPS_SERVER="$T/no-cups.sock" WINEDLLOVERRIDES=explorer.exe=
unset PRINTER LPDEST
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The faces the sample asks for, on the files the Linux surface maps them to.
for pin in "宋体=AR PL UMing CN" "黑体=WenQuanYi Zen Hei" "Arial=Liberation Sans"; do
  "$wine_run" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pin%%=*}" /d "${pin#*=}" /f >/dev/null 2>&1
done

for cp in 65001 936; do
  mkdir -p "$T/$cp"
  VEXLAN_CODEPAGE=$cp bash "$VEXLAN_TEST_DATA/sample/make_sample.sh" "$VEXLAN_LINUX_JOB_TOOL" "$T/$cp" >/dev/null
  for mode in --dump-items --trace; do
    VEXLAN_CODEPAGE=$cp "$VEXLAN_LINUX_BIN" --job "$T/$cp/sample.set" --keep-job $mode >"$T/lin" 2>/dev/null
    VEXLAN_CODEPAGE=$cp "$wine_run" "$VEXLAN_WIN_BIN" --job "$T/$cp/sample.set" --keep-job $mode >"$T/win" 2>/dev/null ||
      fail "$mode (code page $cp): status $?"
    cmp -s "$T/lin" "$T/win" || fail "$mode (code page $cp): output differs from Linux ($(cmp "$T/lin" "$T/win" | head -1))"
  done
done

# Pipes as on Linux: a job on standard input, a PNG to standard output the
# same bytes as the file.
export VEXLAN_CODEPAGE=65001
"$VEXLAN_LINUX_BIN" --job "$T/65001/sample.set" --keep-job --trace >"$T/lin" 2>/dev/null
"$wine_run" "$VEXLAN_WIN_BIN" --job - --trace <"$T/65001/sample.set" >"$T/win" 2>/dev/null || fail "--job -: status $?"
cmp -s "$T/lin" "$T/win" || fail "--job - --trace differs from Linux"
"$wine_run" "$VEXLAN_WIN_BIN" --job "$T/65001/sample.set" --keep-job --png "$T/file.png" --dpi 30 2>/dev/null &&
  "$wine_run" "$VEXLAN_WIN_BIN" --job "$T/65001/sample.set" --keep-job --png - --dpi 30 >"$T/piped.png" 2>/dev/null &&
  cmp -s "$T/file.png" "$T/piped.png" || fail "--png - is not the PNG --png FILE writes"
unset VEXLAN_CODEPAGE

# --png at 100 dpi (no printer: a whole A4 sheet): each item's area, cut
# inside the frames around it, holds ink in the same place on both: the
# whole box of pictures and frames; for text, the edge or centre it is
# aligned on and its vertical centre (Wine's metrics of the pinned files
# are not the Windows faces' the Linux surface imitates; widths differ).
job=$T/65001/sample.set
VEXLAN_CODEPAGE=65001 "$VEXLAN_LINUX_BIN" --job "$job" --keep-job --png "$T/lin.png" --dpi 100 2>/dev/null
VEXLAN_CODEPAGE=65001 "$wine_run" "$VEXLAN_WIN_BIN" --job "$job" --keep-job --png "$T/win.png" --dpi 100 2>/dev/null ||
  fail "--png: status $?"
ink() { convert "$1" -crop "$2" +repage -fuzz 25% -format '%@' info:; }
# Areas in 0.01 mm (left top right bottom), from the sample's items.
while read -r name anchor l t r b; do
  area=$(python3 -c "import sys;l,t,r,b=(int(v)*100/2540 for v in sys.argv[1:]);print('%dx%d+%d+%d'%(r-l,b-t,l,t))" $l $t $r $b)
  python3 - "$name" "$anchor" "$(ink "$T/lin.png" "$area")" "$(ink "$T/win.png" "$area")" <<'PY' || failures=$((failures + 1))
import re, sys
name, anchor, lin, win = sys.argv[1:]
box = lambda s: [int(v) for v in re.findall(r"\d+", s)]
(lw, lh, lx, ly), (ww, wh, wx, wy) = box(lin), box(win)
edges = {"box": [(lx, wx), (ly, wy), (lx + lw, wx + ww), (ly + lh, wy + wh)],
         "left": [(lx, wx)], "right": [(lx + lw, wx + ww)], "centre": [(2 * lx + lw) / 2, (2 * wx + ww) / 2]}[anchor]
if anchor == "centre":
    edges = [tuple(edges)]
if anchor != "box":
    edges.append(((2 * ly + lh) / 2, (2 * wy + wh) / 2))
if any(abs(a - b) > 2 for a, b in edges):
    sys.exit(f"FAIL: --png {name}: ink at {lin} on Linux, {win} with GDI")
PY
done <<'AREAS'
title centre 1100 1500 19900 2700
left-line left 1500 3000 19500 3600
right-line right 1500 3700 19500 4300
picture box 1500 5000 9500 11000
inverted-picture box 10500 5000 19500 11000
red-frame box 1400 11900 19600 16100
text-block left 1600 12100 19400 15900
blue-frame box 1400 16900 19600 21100
footer centre 1500 27000 19500 27600
outer-frame box 900 900 20100 28800
AREAS

# The hand-off: a job beside the executable under another name is read and
# deleted; --keep-job keeps it.
mkdir -p "$T/shop"
cp "$VEXLAN_WIN_BIN" "$T/shop/print tool.v2"
for keep in "" --keep-job; do
  cp "$job" "$T/shop/print tool.set"
  VEXLAN_CODEPAGE=65001 "$wine_run" "$T/shop/print tool.v2" --dump-items $keep >"$T/items" 2>/dev/null || fail "hand-off $keep: status $?"
  grep -q '"Left aligned line, Arial"' "$T/items" || fail "hand-off $keep: the job beside the program was not read"
  if [ -z "$keep" ]; then
    [ -z "$(ls -A "$T/shop" | grep -v '^print tool.v2$')" ] || fail "hand-off: left behind: $(ls "$T/shop")"
  else
    [ -f "$T/shop/print tool.set" ] || fail "hand-off --keep-job: the job is gone"
  fi
done

[ "$failures" -eq 0 ] || exit 1
echo "wine outputs: all checks passed"
