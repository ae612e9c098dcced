#!/usr/bin/env bash
# Makes the sample job in DIR: its images and text files, then DIR/sample.set.
# usage: make_sample.sh VEXLAN_JOB_TOOL DIR
set -euo pipefail
tool="$1"
dir="$(cd "$2" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"

# A 240x160 picture: colour bands with a dark diagonal, as a PPM, then JPEG.
python3 - "$dir/picture.ppm" <<'PY'
import sys
w, h = 240, 160
rows = []
for y in range(h):
    row = bytearray()
    for x in range(w):
        if abs(x * h // w - y) < 3:
            row += bytes((20, 20, 20))
        else:
            row += bytes(((x * 255) // w, (y * 255) // h, 160))
    rows.append(bytes(row))
with open(sys.argv[1], "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h))
    f.write(b"".join(rows))
PY
cjpeg -quality 90 -outfile "$dir/picture.jpg" "$dir/picture.ppm"
"$tool" pack "$dir/picture.jpg" -o "$dir/picture.bpg" --seed 12345
# Text files are bytes in the ANSI code page: convert the UTF-8 sample when
# the job is made for code page 936.
if [ "${VEXLAN_CODEPAGE:-}" = "936" ]; then
  iconv -f UTF-8 -t GBK "$here/lines.txt" > "$dir/lines.txt"
else
  cp "$here/lines.txt" "$dir/lines.txt"
fi
"$tool" pack "$dir/lines.txt" -o "$dir/lines.bin" --seed 777

sed "s|@DIR@|$dir|g" "$here/sample.json.in" > "$dir/sample.json"
"$tool" build "$dir/sample.json" -o "$dir/sample.set"
