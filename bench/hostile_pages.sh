#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Hostile pages against the window-less outputs: makes each page's job with
# vexlan-job and times --trace, --pdf and --png at the asked resolutions, one
# line per run (seconds, peak resident set, exit status, output size). Every
# run is cut off after LIMIT seconds, so a page that does not end shows as
# "timeout".
#
# usage: hostile_pages.sh VEXLAN VEXLAN_JOB [DPI ...]   (default DPI: 150 2400)
#   PAGES="stretched frames"  runs only the named pages
#   LIMIT=60                  seconds before a run is cut off
#   PREVIEW=path/to/preview_page_bench  also times the preview's drawing
#                             at screen size, 700 and 6144 pixels wide (the
#                             fitted page and the closest zoom; built with
#                             -DVEXLAN_BUILD_BENCH=ON). The print spool is
#                             the PDF that --pdf times.
#   LONG=1                    adds the pages of one 200 MB line (.txt in the
#                             code page's ASCII, and in GBK double bytes),
#                             and of the largest picture decoded (12000 x
#                             12000 of noise), as it is and inverted
set -euo pipefail
bin="$1" tool="$2"
shift 2
dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(150 2400)
limit="${LIMIT:-60}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export CUPS_SERVER="$work/no-cups.sock" # no printer: A4 pages
unset PRINTER

# Page descriptions: JSON written by python, text and image files beside them.
python3 - "$work" <<'PY'
import json, os, random, struct, subprocess, sys, zlib
d = sys.argv[1]
IMAX, IMIN = 2**31 - 1, -2**31
rnd = random.Random(7)
letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"

def text_file(name, lines):
    with open(os.path.join(d, name), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    return os.path.join(d, name)

def jpeg(name, w, h):
    ppm = os.path.join(d, name + ".ppm")
    with open(ppm, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        f.write(bytes((x * 255 // w) if c == 0 else (y * 255 // h) if c == 1 else 128
                      for y in range(h) for x in range(w) for c in range(3)))
    out = os.path.join(d, name)
    subprocess.run(["cjpeg", "-quality", "85", "-outfile", out, ppm], check=True)
    return out

def noise_jpeg(name, side):
    out = os.path.join(d, name)
    cjpeg = subprocess.Popen(["cjpeg", "-quality", "85", "-outfile", out], stdin=subprocess.PIPE)
    cjpeg.stdin.write(b"P6\n%d %d\n255\n" % (side, side))
    for _ in range(side):
        cjpeg.stdin.write(os.urandom(side * 3))
    cjpeg.stdin.close()
    if cjpeg.wait() != 0:
        sys.exit("cjpeg failed")
    return out

def block(rect, path, face="Arial"):
    return {"type": 2, "rect": rect, "path": path, "face": face}

def long_text(name, unit, lines=1):
    # 200 MB in `lines` lines, written a megabyte at a time.
    with open(os.path.join(d, name), "wb") as f:
        chunk = unit * (1000000 // len(unit))
        for i in range(200):
            f.write(chunk)
            if (i + 1) % (200 // lines) == 0:
                f.write(b"\n")
    return os.path.join(d, name)

two = text_file("two.txt", ["".join(rnd.choice(letters) for _ in range(2)) for _ in range(100000)])
one = text_file("one.txt", [rnd.choice(letters) for _ in range(100000)])
cjk = text_file("cjk.txt", ["".join(rnd.choice("打印输出示例发货单品名") for _ in range(2)) for _ in range(50000)])
small = jpeg("small.jpg", 64, 48)
big = jpeg("big.jpg", 600, 400)

pages = {
    # 100,000 two-character lines, 10 units high: every line in the same
    # slot at the default height, stretched to an average width of 4,000.
    "stretched": [block([0, 0, 8000, 10], two)],
    "stretched-cjk": [block([1000, 1000, 9000, 1010], cjk, "宋体")],
    # Lines 1 unit apart (font 1 unit high), 2,000 units wide each.
    "stretched-thin": [block([0, 0, 4000, 100000], two)],
    "huge-font": [{"type": 0, "rect": [0, 0, 20000, 1000000], "text": "Huge 巨大 text", "face": "Arial", "align": 1},
                  {"type": 0, "rect": [-500000, -500000, 20000, 500000], "text": "Wg", "face": "宋体"},
                  block([0, 0, 20000, 1333333], one)],
    "huge-width": [block([0, 0, 2000000000, 29700], one),
                   block([IMIN // 2, 0, IMAX, 29700], one, "宋体"),
                   block([0, 0, 2000000000, 2970000], one)],
    "frames": [{"type": 3, "rect": [i % 997, i % 991, 21000 - i % 983, 29700 - i % 977],
                "penWidth": 0, "color": i} for i in range(100000)],
    "frames-thick": [{"type": 3, "rect": [i % 97, i % 91, 21000 - i % 83, 29700 - i % 77],
                      "penWidth": 100 + i % 400, "color": i} for i in range(100000)],
    "text-items": [{"type": 0, "rect": [0, 0, 21000, 2000 + i % 7], "text": "Same place %d" % (i % 10), "face": "Arial"}
                   for i in range(100000)],
    "extremes": [dict(kind, rect=r)
                 for kind in ({"type": 0, "text": "x", "face": "Arial"}, {"type": 1, "path": big},
                              {"type": 2, "path": one, "face": "Arial"}, {"type": 3, "penWidth": IMAX, "color": 0})
                 for r in ([IMIN, IMIN, IMAX, IMAX], [IMIN, 0, IMAX, 1], [0, IMIN, 1, IMAX], [IMAX - 1, IMAX - 1, IMAX, IMAX])],
    "images": [{"type": 1, "rect": [0, 0, 21000, 29700], "path": big, "invert": i & 1, "keepAspect": 0}
               for i in range(100)] +
              [{"type": 1, "rect": [(i % 100) * 210, (i // 100) * 297, (i % 100) * 210 + 200, (i // 100) * 297 + 290],
                "path": small, "invert": 0, "keepAspect": 1} for i in range(10000)],
}
if os.environ.get("LONG"):
    # Text at the block's default width (the line is far longer than its
    # rectangle is wide in units): glyphs three quarters of the slot high.
    pages["long-line"] = [block([1000, 1000, 20000, 28000], long_text("line.txt", b"x"))]
    # Characters 10 units wide (the rectangle is 2e9 wide): about 2,000 show.
    pages["long-line-gbk"] = [block([0, 1000, 2000000000, 1600], long_text("gbk.txt", "\u4e2d\u6587a".encode("gbk")), "宋体")]
    # 200 lines of 1 MB, characters 20 units wide.
    pages["long-lines"] = [block([0, 0, 20000000, 29700], long_text("lines.txt", b"Wi ", 200))]
    # The largest picture decoded (12000 x 12000, 432 MB), of noise (a 51 MB
    # JPEG): as it is, and inverted.
    pages["big-photo"] = [{"type": 1, "rect": [0, 0, 21000, 29700], "path": noise_jpeg("noise.jpg", 12000),
                           "invert": 0, "keepAspect": 1}]
    pages["big-photo-inverted"] = [dict(pages["big-photo"][0], invert=1)]
for name, items in pages.items():
    with open(os.path.join(d, name + ".json"), "w", encoding="utf-8") as f:
        json.dump(items, f, ensure_ascii=False)
PY

run() { # label, then the vexlan options; prints wall and CPU seconds, peak MiB
    local label="$1" st real user sys kib size
    shift
    rm -f "$work/out"
    st=0
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" timeout "$limit" "$bin" --job "$work/job.set" --keep-job "$@" \
        >/dev/null 2>"$work/err" || st=$?
    [ "$st" != 124 ] || st=timeout
    read -r real user sys kib < <(tail -1 "$work/time")
    size=$(stat -c %s "$work/out" 2>/dev/null || echo -)
    printf '%-14s %-9s %7.2f s wall %7.2f s cpu %6d MiB  status %-7s %s bytes\n' "$page" "$label" "$real" \
        "$(echo "$user + $sys" | bc)" $((kib / 1024)) "$st" "$size"
}

preview() { # the preview's drawing, by preview_page_bench: fitted, and zoomed to its largest
    local line screen
    for screen in 700 6144; do
        line=$(SCREEN=$screen SKIP=record,replay timeout "$limit" "$PREVIEW" "$work/job.set" 2>/dev/null) ||
            line="status $? (timeout after $limit s: 124)"
        printf '%-14s %-9s %s\n' "$page" "prev $screen" "$line"
    done
}

for json in "$work"/*.json; do
    page="$(basename "$json" .json)"
    if [ -n "${PAGES:-}" ] && [[ " $PAGES " != *" $page "* ]]; then continue; fi
    # The GBK pages are read in code page 936 (and their faces written in it).
    if [[ "$page" == *-gbk ]]; then export VEXLAN_CODEPAGE=936; else unset VEXLAN_CODEPAGE; fi
    "$tool" build "$json" -o "$work/job.set" >/dev/null
    run trace --trace
    run pdf --pdf "$work/out"
    [ -z "${PREVIEW:-}" ] || preview
    for dpi in "${dpis[@]}"; do
        run "png $dpi" --png "$work/out" --dpi "$dpi"
    done
done
